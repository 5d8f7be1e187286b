#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the performance report in its quick mode (small sizes, one round) and
# checks that it ended well and printed its heading lines and every row of its
# table, each with a figure and a verdict. Nothing here judges speed.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"
report="$1"
out=$(bash "$report" --quick 2>&1)
status=$?
printf '%s\n' "$out"
((status == 0)) || fail "the report ended with status $status"
for row in "| measure | Vorkan | peer | ratio | target | verdict | per-round spread |" \
           "| headless copy throughput over dd's" "| headless CPU s/GiB" \
           "| windowed copy on Xvfb, xcb throughput" "| X server CPU s/GiB over the whole xcb run" "| X server CPU s/GiB during the xcb copy call" "| windowed copy on xcb, the program's CPU" \
           "| windowed copy offscreen throughput" "| windowed peak memory" \
           "| time until the image is on disk over dd bs=256K conv=fsync's" \
           "| time until the image is on disk over dd bs=256K iflag=nocache oflag=nocache's" \
           "| durable copy: the added sync -d's share" "| durable copy CPU s/GiB" "| throughput: plain (image left in memory) / durable" \
           "| page-cache growth (Cached+Buffers) at the peak" "| page-cache growth (Cached+Buffers) when the copy returns" \
           "| the image's own pages in the cache (fincore) at the peak" "| the image's own pages in the cache (fincore) when" "| pages of a " "| image of a " "| that image's SHA-256" \
           "| drive list rebuild" "| vorkan copy time over dd" "| vorkan copy --sha256 time" \
           "| vorkan verify read-back rate"; do
  grep -qF -- "$row" <<<"$out" || fail_later "no row starting \"$row\""
done
grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2} .*cores, .* GiB, Linux .*images on ' <<<"$out" ||
  fail_later "no line with the date and the machine"
grep -qE '^Throughput and durable: source: .*Footprint and survival: source: ' <<<"$out" ||
  fail_later "no line naming the sources"
table=$(grep -E '^\| [a-zA-Z]' <<<"$out" | grep -v '^| measure ')
# Every figure is a number: a failed measurement would leave nan, inf or a
# blank first figure; every row ends in a known verdict (column 6).
if grep -qiE 'nan|inf' <<<"$table" || grep -qE '^\| [^|]+ \|  \|' <<<"$table"; then
  fail_later "a row with a missing figure"
fi
bad=$(awk -F' [|] ' '{ v = $6; if (v !~ /^(met|not met|inconclusive|no baseline|–|skipped \(.*\))$/) print }' <<<"$table")
[[ -z "$bad" ]] || fail_later "a row without a verdict:"$'\n'"$bad"
end_checks
