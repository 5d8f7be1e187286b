#!/usr/bin/env bash
# The AppStream metainfo as software centres read it: appstreamcli's
# validation, offline (the screenshots' addresses are not fetched).
# Usage: metainfo.sh METAINFO_XML
# Exit code 77: no appstreamcli.
set -uo pipefail

command -v appstreamcli >/dev/null || { echo "SKIP: appstreamcli is missing (package appstream)"; exit 77; }
appstreamcli validate --no-net --explain "$1"
