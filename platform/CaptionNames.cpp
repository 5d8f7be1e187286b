// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptionNames.h"

#include <QLabel>

namespace vorkan {

void NameByCaption(QLabel& caption, QWidget& field) {
  caption.setBuddy(&field);
  field.setAccessibleName(caption.text());
}

}  // namespace vorkan
