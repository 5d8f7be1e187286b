#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the program into build/ (scripts/setup.sh, RelWithDebInfo) and packs
# it into a Debian package there: build/vorkan_VERSION-RELEASE_ARCH.deb.
# Usage: package.sh
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" build
cd "$here/build"
cpack -G DEB
