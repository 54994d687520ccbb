#!/usr/bin/env bash
# Installs the renderer into a scratch prefix and builds the C client against
# it with nothing but pkg-config.
set -euo pipefail
build="$1" client="$2" cc="$3" cflags="$4" work="$5"
rm -rf "$work"
mkdir -p "$work"
# The run-time library and the development files, as the two packages bring them.
for component in runtime dev; do
  cmake --install "$build" --prefix "$work/prefix" --component "$component" >> "$work/install.log"
done
pc="$(find "$work/prefix" -name zmb.pc)"
test -n "$pc"
export PKG_CONFIG_PATH="$(dirname "$pc")"
includedir="$(pkg-config --variable=includedir zmb)"
test -f "$includedir/zmb.h"
test -f "$includedir/nuvix_gdi_records.h"
# shellcheck disable=SC2086
"$cc" $cflags -std=c11 -Wall -Wextra -Wpedantic -Werror "$client" $(pkg-config --cflags --libs zmb) -o "$work/client"
LD_LIBRARY_PATH="$(pkg-config --variable=libdir zmb)" "$work/client"
