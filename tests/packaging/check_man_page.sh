#!/usr/bin/env bash
# A manual page that groff formats without a single warning, for print and
# for the terminal (where lines are broken at 80 columns).
set -uo pipefail
here="$(dirname "$0")"
page="$1"
bash "$here/run_quietly.sh" groff -man -ww -z "$page" &&
  bash "$here/run_quietly.sh" groff -man -ww -z -Tutf8 -rLL=80n "$page"
