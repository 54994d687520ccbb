#!/usr/bin/env bash
# Runs a checker and fails when it fails or prints anything but what its
# success may print: run_quietly.sh [--allow REGEX] COMMAND ARGS...
set -uo pipefail
allow='^$'
if [ "$1" = --allow ]; then
  allow="$2"
  shift 2
fi
output="$("$@" 2>&1)"
status=$?
extra="$(grep -Ev -e "$allow" -e '^$' <<<"$output")"
if [ "$status" -ne 0 ] || [ -n "$extra" ]; then
  echo "FAIL: $* (exit $status):"
  echo "$output"
  exit 1
fi
