#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize the same happens in a
# separate AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir=build
extra=()
if [[ "${1:-}" == "--sanitize" ]]; then
  build_dir=build-asan
  extra=(-DVORKAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

"$here/scripts/setup.sh" "$build_dir" -DVORKAN_WERROR=ON "${extra[@]}"

# The sources keep the layout of .clang-format.
if ! (cd "$here" && find app bench core platform tests ui widgets -name '*.cpp' -o -name '*.h' |
        xargs clang-format --dry-run -Werror); then
  echo "Sources are not laid out as .clang-format says: run clang-format -i on the files above." >&2
  exit 1
fi

export QT_QPA_PLATFORM=offscreen
# The tests attach loop devices and mount file systems: one at a time.
cd "$here/$build_dir"
ctest --output-on-failure --timeout 600
