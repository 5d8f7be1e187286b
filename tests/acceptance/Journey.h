// Pieces every journey uses: picking a drive's row as the user does, and the
// checks that the program is back at rest after a copy.
#pragma once

#include <string>

#include "MainWindowDriver.h"

namespace vorkan::test {

// Clicks the row of drive `letter`; false when the list has no such row.
bool ClickDriveRow(TForm1& form, char letter);

// Whether the device can be opened exclusively right now (nobody holds it).
bool CanOpenExclusive(const std::string& device);
// Whether one of this process's descriptors refers to `path`.
bool HoldsDescriptorOn(const std::string& path);

// After a journey: no descriptor left open, nothing held on `device` (when
// given), the main window shown and idle with the flags at 0, the seven copy
// controls enabled, the progress window hidden and the title back.
void ExpectAtRest(TForm1& form, int descriptorsBefore, const std::string& device = "");

}  // namespace vorkan::test
