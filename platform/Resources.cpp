// SPDX-License-Identifier: GPL-3.0-or-later
#include "Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function at global scope, so it cannot be used
// inside the namespace.
static void RegisterVorkanResources() { Q_INIT_RESOURCE(vorkan); }

namespace vorkan {

void InitResources() {
  static const bool registered = (RegisterVorkanResources(), true);
  (void)registered;
}

}  // namespace vorkan
