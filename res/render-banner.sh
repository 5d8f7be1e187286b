#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the about window's banner res/banner.svg into res/banner.png
# (400 x 90, opaque), which the resource file carries. Uses rsvg-convert when
# it is installed, else ImageMagick's convert.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if command -v rsvg-convert >/dev/null; then
  rsvg-convert -w 400 -h 90 -b '#f8f6c9' -o "$here/banner.png" "$here/banner.svg"
else
  convert -density 96 "$here/banner.svg" -background '#f8f6c9' -alpha remove -alpha off \
    -resize '400x90!' -depth 8 -define png:color-type=2 "$here/banner.png"
fi
