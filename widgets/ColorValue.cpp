// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColorValue.h"

#include <QGuiApplication>
#include <QPalette>

namespace vorkan {

namespace {

struct SystemColorRole {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The palette role that plays each system colour, by index.
constexpr SystemColorRole kSystemColorRoles[] = {
    {QPalette::Active, QPalette::Button},           // 0 scroll bar
    {QPalette::Active, QPalette::Dark},             // 1 desktop
    {QPalette::Active, QPalette::Highlight},        // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},      // 3 inactive caption
    {QPalette::Active, QPalette::Window},           // 4 menu
    {QPalette::Active, QPalette::Base},             // 5 window
    {QPalette::Active, QPalette::Shadow},           // 6 window frame
    {QPalette::Active, QPalette::WindowText},       // 7 menu text
    {QPalette::Active, QPalette::WindowText},       // 8 window text
    {QPalette::Active, QPalette::HighlightedText},  // 9 caption text
    {QPalette::Active, QPalette::Button},           // 10 active border
    {QPalette::Inactive, QPalette::Button},         // 11 inactive border
    {QPalette::Active, QPalette::Dark},             // 12 application workspace
    {QPalette::Active, QPalette::Highlight},        // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},  // 14 highlighted text
    {QPalette::Active, QPalette::Button},           // 15 button face
    {QPalette::Active, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},           // 17 grey text
    {QPalette::Active, QPalette::ButtonText},       // 18 button text
    {QPalette::Inactive, QPalette::WindowText},     // 19 inactive caption text
    {QPalette::Active, QPalette::Light},            // 20 button highlight
    {QPalette::Active, QPalette::Shadow},           // 21 3D dark shadow
    {QPalette::Active, QPalette::Midlight},         // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},      // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},      // 24 info background
    {QPalette::Active, QPalette::NoRole},           // 25 (none)
    {QPalette::Active, QPalette::Link},             // 26 hot light
    {QPalette::Active, QPalette::Highlight},        // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},      // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},        // 29 menu highlight
    {QPalette::Active, QPalette::Window},           // 30 menu bar
};

}  // namespace

QColor ResolveColor(TColor color) {
  if (!IsSystemColor(color))
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
  const TColor index = color & 0x00FFFFFFu;
  constexpr TColor count = sizeof(kSystemColorRoles) / sizeof(kSystemColorRoles[0]);
  if (index >= count || kSystemColorRoles[index].role == QPalette::NoRole) return QColor(0, 0, 0);
  const SystemColorRole& entry = kSystemColorRoles[index];
  const QColor resolved = QGuiApplication::palette().color(entry.group, entry.role);
  // Colour values carry no transparency.
  return QColor(resolved.red(), resolved.green(), resolved.blue());
}

}  // namespace vorkan
