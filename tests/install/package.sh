#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build with cpack into a scratch folder
# and checks it: its file name, that its dependencies come from the program's
# libraries (Qt, libblkid) while udisks2, polkitd and Qt's Wayland platform
# are only recommended, that it holds the program stripped, the menu entry,
# the icons, the metainfo, the manual page and the copyright file, and that
# lintian finds no error nor warning, nor a lack of the hardening Debian
# builds have.
# Then, as root, it installs the package with apt-get, checks the installed
# files, starts the installed program and purges the package again.
# Usage: package.sh CPACK BUILD_DIR VERSION SANITIZED
set -uo pipefail

cpack="$1"
build="$2"
version="$3"
sanitized="$4"

source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"
[[ $sanitized == ON ]] && skip "this is a sanitizer build; the package is made from the plain build"
for tool in dpkg-deb dpkg-shlibdeps lintian readelf; do
  command -v "$tool" >/dev/null || skip "$tool is missing (packages dpkg-dev, lintian, binutils)"
done

source "$(dirname "${BASH_SOURCE[0]}")/starts.sh"
make_work "${TMPDIR:-/tmp}/vorkan-package.XXXXXX"
scratch="$work"
installed=""
# Whatever way the script ends, a package it installed is purged.
purge_installed() {
  [[ -n $installed ]] || return 0
  echo "purging the package"
  DEBIAN_FRONTEND=noninteractive timeout 300 apt-get purge -y -qq -o DPkg::Lock::Timeout=120 vorkan >/dev/null ||
    dpkg --purge vorkan
}
on_exit purge_installed

# What the package lays down, under /.
files=(usr/bin/vorkan usr/share/applications/vorkan.desktop usr/share/icons/hicolor/scalable/apps/vorkan.svg
  usr/share/metainfo/io.github.vorkan.metainfo.xml usr/share/man/man1/vorkan.1.gz usr/share/doc/vorkan/copyright
  usr/share/doc/vorkan/changelog.Debian.gz)
for size in 16 22 24 32 48 64 128 256; do
  files+=("usr/share/icons/hicolor/${size}x${size}/apps/vorkan.png")
done

# --- the package --------------------------------------------------------------------

timeout 300 "$cpack" -G DEB -B "$scratch/out" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$scratch/cpack.log")"
shopt -s nullglob
debs=("$scratch"/out/*.deb)
((${#debs[@]} == 1)) || fail "cpack made ${#debs[@]} packages: ${debs[*]}"
deb="${debs[0]}"
name="${deb##*/}"
echo "package: $name"
[[ $name =~ ^vorkan_${version//./\\.}-[0-9]+_$(dpkg --print-architecture)\.deb$ ]] ||
  fail_later "$name is not named vorkan_${version}-RELEASE_$(dpkg --print-architecture).deb"

depends="$(dpkg-deb -f "$deb" Depends)"
recommends="$(dpkg-deb -f "$deb" Recommends)"
echo "Depends: $depends"
echo "Recommends: $recommends"
# Names in a relation field, one a line.
names() { sed 's/[,|]/\n/g' <<<"$1" | sed 's/(.*//; s/[[:space:]]//g' | grep -v '^$'; }
for library in libqt6core6 libqt6gui6 libqt6widgets6 libblkid1 qt6-qpa-plugins; do
  names "$depends" | grep -qx "$library" || fail_later "Depends lacks $library"
done
for recommended in udisks2 polkitd qt6-wayland; do
  names "$depends" | grep -qx "$recommended" && fail_later "Depends requires $recommended, which is only recommended"
  names "$recommends" | grep -qx "$recommended" || fail_later "Recommends lacks $recommended"
done

dpkg-deb -x "$deb" "$scratch/root"
for file in "${files[@]}"; do
  [[ -f $scratch/root/$file ]] || fail_later "the package lacks /$file"
done
if [[ -f $scratch/root/usr/bin/vorkan ]] && readelf -S "$scratch/root/usr/bin/vorkan" | grep -qE '\.(symtab|debug_)'; then
  fail_later "the packed program is not stripped"
fi

# With its information tags: the hardening ones are only information, and a
# Debian build shows none of them.
timeout 300 lintian --fail-on error,warning --display-info "$deb" >"$scratch/lintian.log" 2>&1
status=$?
grep -v 'running with root privileges' "$scratch/lintian.log"
((status == 0)) || fail_later "lintian reports errors or warnings (status $status)"
for tag in hardening-no-bindnow hardening-no-fortify-functions hardening-no-relro hardening-no-pie; do
  grep -qw -- "$tag" "$scratch/lintian.log" && fail_later "lintian finds $tag: the program is not hardened as Debian builds are"
done
end_checks

# --- installed with apt-get -------------------------------------------------------------

[[ $(id -u) -eq 0 ]] || skip "not root: the package is not installed"
command -v apt-get >/dev/null || skip "apt-get is missing: the package is not installed"
if dpkg-query -W -f='${Status}' vorkan 2>/dev/null | grep -q 'ok installed'; then
  skip "vorkan is installed on this machine already; it is left as it is"
fi
export DEBIAN_FRONTEND=noninteractive
# The machine that built the program has its libraries; anything else apt-get
# would bring along would stay behind after the purge.
apt-get install -s --no-install-recommends "$deb" >"$scratch/apt.log" 2>&1 ||
  fail "apt-get would not install the package: $(cat "$scratch/apt.log")"
others="$(awk '$1 == "Inst" && $2 != "vorkan" { printf " %s", $2 }' "$scratch/apt.log")"
[[ -z $others ]] || fail "installing would also bring in:$others"
installed=yes
timeout 300 apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=120 "$deb" >"$scratch/apt.log" 2>&1 ||
  fail "apt-get install failed: $(cat "$scratch/apt.log")"
owned="$(dpkg -L vorkan)"
for file in "${files[@]}"; do
  if ! grep -qx "/$file" <<<"$owned" || [[ ! -f /$file ]]; then
    fail_later "the installed package lacks /$file"
  fi
done
if [[ $(command -v vorkan) != /usr/bin/vorkan ]]; then
  fail_later "the desktop entry's 'vorkan' is '$(command -v vorkan)', not /usr/bin/vorkan"
fi
if program_starts /usr/bin/vorkan "$scratch"; then
  echo "the installed program runs"
else
  fail_later "the installed program does not run"
fi

timeout 300 apt-get purge -y -qq -o DPkg::Lock::Timeout=120 vorkan >"$scratch/apt.log" 2>&1 || cat "$scratch/apt.log"
if dpkg-query -W -f='${Status}' vorkan 2>/dev/null | grep -q 'ok installed' || [[ -e /usr/bin/vorkan ]]; then
  fail_later "apt-get purge left the package installed"
else
  installed=""
  echo "the package installed, ran and was purged"
fi
end_checks
echo "all package checks passed"
