#!/usr/bin/env bash
# Fails when a shared library exports anything its interface does not name, or
# leaves out a name it must export.
# Arguments: library, an extended regex every exported name (demangled) must
# match as a whole, then the names it must export.
set -euo pipefail
library="$1" allowed="$2"
shift 2
exported="$(nm -D --defined-only -f posix "$library" | cut -d' ' -f1 | c++filt)"
[ -n "$exported" ] || { echo "FAIL: $library exports nothing"; exit 1; }
stray="$(grep -Exv -e "$allowed" <<<"$exported" || true)"
if [ -n "$stray" ]; then
  echo "FAIL: $library exports more than its interface:"
  echo "$stray"
  exit 1
fi
for name in "$@"; do
  grep -Fxq -e "$name" <<<"$exported" || { echo "FAIL: $library does not export $name"; exit 1; }
done
echo "$library exports $(wc -l <<<"$exported") names, all of its interface"
