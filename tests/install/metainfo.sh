#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The AppStream metainfo as software centres read it: appstreamcli's
# validation, offline (the screenshots' addresses are not fetched).
# Usage: metainfo.sh METAINFO_XML
# Exit code 77: no appstreamcli.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/lib.sh"

need_tools appstreamcli
appstreamcli validate --no-net --explain "$1"
