// SPDX-License-Identifier: GPL-3.0-or-later
// Fields named for screen readers by the caption beside them, so that a field
// is read as "Caption: value".
#pragma once

class QLabel;
class QWidget;

namespace vorkan {

// Makes `caption` the label of `field` (its buddy, which assistive tools
// see as a labelled-by relation) and the caption's text the field's
// accessible name. Call once the caption has its text.
void NameByCaption(QLabel& caption, QWidget& field);

}  // namespace vorkan
