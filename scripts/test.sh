#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
if ! (cd "$here" && find app bench cli core platform tests ui widgets -name '*.cpp' -o -name '*.h' |
        xargs clang-format --dry-run -Werror); then
  echo "Sources are not laid out as .clang-format says: run clang-format -i on the files above." >&2
  exit 1
fi

export QT_QPA_PLATFORM=offscreen
# The tests attach loop devices and mount file systems: one at a time.
cd "$here/$build_dir"
status=0
# ctest makes Testing/ only once it runs, after tee has opened its file.
mkdir -p Testing
ctest --output-on-failure --timeout 600 2>&1 | tee Testing/console.log || status=$?

# The cases that did not run here, each with the reason it gave: a gtest
# case the line after its "Skipped", a script its "SKIP: " line.
skipped="$(sed -En 's/^[[:space:]]+[0-9]+ - (.*) \(Skipped\)$/\1/p' Testing/console.log)"
if [[ -n $skipped ]]; then
  echo
  echo "Skipped here ($(wc -l <<<"$skipped")):"
  awk -v names="$skipped" '
    BEGIN { n = split(names, list, "\n"); for (i = 1; i <= n; i++) wanted[list[i]] = 1 }
    /^[0-9]+\/[0-9]+ Test: / { name = substr($0, index($0, ": ") + 2); reason = ""; grab = 0; next }
    /^<end of output>$/ {
      if (name in wanted) printf "  %s: %s\n", name, reason == "" ? "(no reason given)" : reason
      name = ""
      next
    }
    grab { if ($0 == "" || /^\[  SKIPPED \]/) grab = 0; else reason = reason (reason == "" ? "" : " ") $0; next }
    /(^|: )Skipped$/ { grab = 1; next }
    /^SKIP: / { reason = substr($0, 7) }
  ' Testing/Temporary/LastTest.log
fi
exit "$status"
