#include "CaptionNames.h"

#include <QLabel>

namespace vorkan {

void NameByCaption(QLabel& caption, QWidget& field) {
  caption.setBuddy(&field);
  field.setAccessibleName(caption.text());
}

}  // namespace vorkan
