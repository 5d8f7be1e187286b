#!/usr/bin/env bash
# Runs the performance report on a 16 MiB source, one round, and checks that
# it ended well and printed its heading line and every row of its table.
set -uo pipefail
report="$1"
out=$(bash "$report" --size 16 --runs 1 --rounds 1 2>&1)
status=$?
printf '%s\n' "$out"
if ((status != 0)); then
  echo "FAIL: the report ended with status $status" >&2
  exit 1
fi
missing=0
for row in "| measure | Vorkan | peer | ratio | target | met? |" \
           "| headless copy throughput" "| windowed copy throughput (" "| windowed copy throughput, the copy call alone" \
           "| headless CPU s/GiB" "| windowed CPU s/GiB" "| headless peak memory" "| windowed peak memory" \
           "| drive list rebuild"; do
  grep -qF -- "$row" <<<"$out" || { echo "FAIL: no row starting \"$row\"" >&2; missing=1; }
done
grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2} .*cores, Linux .*source: ' <<<"$out" ||
  { echo "FAIL: no line with the date, the machine and the source" >&2; missing=1; }
# Every figure is a number: a failed measurement would leave nan, inf or blanks.
if grep -E '^\| (headless|windowed|drive)' <<<"$out" | grep -qiE 'nan|inf|\|  *\|'; then
  echo "FAIL: a row with a missing figure" >&2
  missing=1
fi
exit "$missing"
