#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into an empty prefix and checks that a desktop finds the
# program: bin/ holds it, share/applications/ a desktop entry that starts it
# by the installed name and names an icon that share/icons/hicolor/ holds in
# scalable form and in the usual PNG sizes, share/metainfo/ the AppStream
# metainfo naming that entry; the installed program's libraries all resolve
# and it starts.
# Usage: install.sh CMAKE BUILD_DIR
set -uo pipefail

cmake="$1"
build="$2"

source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/starts.sh"

make_work "${TMPDIR:-/tmp}/vorkan-install.XXXXXX"
prefix="$work"

"$cmake" --install "$build" --prefix "$prefix/usr" >"$prefix/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$prefix/install.log")"
root="$prefix/usr"
echo "installed into $root:"
(cd "$root" && find . -type f | sort | sed 's|^\./|  |')

# --- the program ------------------------------------------------------------------

program="$root/bin/vorkan"
if [[ ! -f $program || ! -x $program ]]; then
  fail_later "bin/vorkan is not installed as an executable file"
elif [[ "$(head -c 4 "$program" | od -An -c | tr -d ' ')" != '177ELF' ]]; then
  fail_later "bin/vorkan is not an ELF program"
fi

# --- the desktop entry --------------------------------------------------------------

shopt -s nullglob
entries=("$root"/share/applications/*.desktop)
if ((${#entries[@]} != 1)); then
  fail_later "expected one desktop entry in share/applications, found ${#entries[@]}"
fi
entry="${entries[0]:-}"

# The value of a key in the [Desktop Entry] group; empty when it is missing.
value() {
  awk -v key="$1" '
    /^\[/ { group = $0; next }
    group == "[Desktop Entry]" && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
  ' "$entry"
}

if [[ -n $entry ]]; then
  echo "desktop entry: ${entry#"$root"/}"
  [[ "$(grep -v '^[[:space:]]*\(#\|$\)' "$entry" | head -n 1)" == "[Desktop Entry]" ]] ||
    fail_later "the desktop entry does not begin with the [Desktop Entry] group"
  [[ "$(value Type)" == Application ]] || fail_later "Type is '$(value Type)', not Application"
  [[ -n "$(value Name)" ]] || fail_later "no Name="
  categories="$(value Categories)"
  [[ $categories =~ ^([A-Za-z0-9-]+\;)+$ ]] || fail_later "Categories '$categories' is not a list of names each ended by ';'"

  # Exec: the program, without a folder (the prefix is chosen at install
  # time), and only field codes after it.
  exec_line="$(value Exec)"
  read -r exec_program exec_args <<<"$exec_line"
  if [[ -z $exec_program ]]; then
    fail_later "no Exec="
  elif [[ $exec_program == */* ]]; then
    fail_later "Exec names '$exec_program' with a folder, not the installed program's name"
  elif [[ ! -x $root/bin/$exec_program ]]; then
    fail_later "Exec names '$exec_program', which bin/ does not hold"
  fi
  for arg in $exec_args; do
    [[ $arg =~ ^%[fFuU]$ ]] || fail_later "Exec passes '$arg', which the program does not take"
  done

  # Icon: a theme name (no folder, no extension) found in hicolor.
  icon="$(value Icon)"
  hicolor="$root/share/icons/hicolor"
  if [[ -z $icon ]]; then
    fail_later "no Icon="
  elif [[ $icon == */* || $icon == *.png || $icon == *.svg ]]; then
    fail_later "Icon '$icon' is a file, not an icon theme name"
  else
    svg="$hicolor/scalable/apps/$icon.svg"
    if [[ ! -f $svg ]]; then
      fail_later "no scalable icon $icon.svg"
    elif ! grep -q '<svg' "$svg"; then
      fail_later "$icon.svg holds no SVG"
    fi
    for size in 16 22 24 32 48 64 128 256; do
      png="$hicolor/${size}x${size}/apps/$icon.png"
      if [[ ! -f $png ]]; then
        fail_later "no ${size}x${size} icon $icon.png"
        continue
      fi
      # The signature, then the width and height of the IHDR chunk.
      signature="$(od -An -tx1 -N8 "$png" | tr -d ' \n')"
      width=$((16#$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
      height=$((16#$(od -An -tx1 -j20 -N4 "$png" | tr -d ' \n')))
      [[ $signature == 89504e470d0a1a0a ]] || fail_later "${size}x${size}/apps/$icon.png is not a PNG"
      [[ $width == "$size" && $height == "$size" ]] ||
        fail_later "${size}x${size}/apps/$icon.png is ${width}x${height}"
    done
  fi
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail_later "desktop-file-validate rejects the entry"
  fi
fi

# --- the AppStream metainfo -------------------------------------------------------------

# Software centres find the program by its metainfo, which names the entry.
metainfo="$root/share/metainfo/io.github.vorkan.metainfo.xml"
if [[ ! -f $metainfo ]]; then
  fail_later "no share/metainfo/io.github.vorkan.metainfo.xml"
elif [[ -n $entry ]] && ! grep -qF "<launchable type=\"desktop-id\">${entry##*/}</launchable>" "$metainfo"; then
  fail_later "the metainfo does not name the desktop entry ${entry##*/} as its launchable"
fi

# --- the installed program runs -------------------------------------------------------

if [[ -x $program ]]; then
  unresolved="$(ldd "$program" 2>&1 | grep 'not found')"
  [[ -z $unresolved ]] || fail_later "libraries that do not resolve: $unresolved"
  # The installed program must not lean on the build tree.
  build_real="$(cd "$build" && pwd -P)"
  if command -v readelf >/dev/null && readelf -d "$program" | grep -E 'R(UN)?PATH' | grep -qF "$build_real"; then
    fail_later "the installed program's library path points into the build: $(readelf -d "$program" | grep -E 'R(UN)?PATH')"
  fi
  if program_starts "$program" "$prefix"; then
    echo "the installed program runs"
  else
    fail_later "the installed program does not run"
  fi
fi

end_checks
echo "all install checks passed"
