// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkLabel.h"

#include "LinkAccessible.h"

namespace vorkan {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) { InstallLinkAccessible(); }

void LinkLabel::Activate() { emit activated(); }

}  // namespace vorkan
