#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon res/vorkan.svg into the PNG sizes kept beside it
# (res/icons/vorkan-N.png). Qt reads those, so the program needs no SVG image
# plug-in. Uses rsvg-convert when it is installed, else ImageMagick's convert.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mkdir -p "$here/icons"
for size in 16 22 24 32 48 64 128 256; do
  out="$here/icons/vorkan-$size.png"
  if command -v rsvg-convert >/dev/null; then
    rsvg-convert -w "$size" -h "$size" -o "$out" "$here/vorkan.svg"
  else
    convert -background none -density 384 "$here/vorkan.svg" -resize "${size}x${size}" \
      -depth 8 -define png:color-type=6 "$out"
  fi
done
