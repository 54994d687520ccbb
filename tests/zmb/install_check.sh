#!/usr/bin/env bash
# Installs the renderer into a scratch prefix and builds the C client against
# it with nothing but pkg-config.
set -euo pipefail
build="$1" client="$2" cc="$3" cflags="$4" work="$5"
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" --component zmb > "$work/install.log"
pc="$(find "$work/prefix" -name zmb.pc)"
test -n "$pc"
export PKG_CONFIG_PATH="$(dirname "$pc")"
includedir="$(pkg-config --variable=includedir zmb)"
test -f "$includedir/zmb.h"
test -f "$includedir/nuvix_wintypes.h"
# shellcheck disable=SC2086
"$cc" $cflags -std=c11 -Wall -Wextra -Wpedantic -Werror "$client" $(pkg-config --cflags --libs zmb) -o "$work/client"
LD_LIBRARY_PATH="$(pkg-config --variable=libdir zmb)" "$work/client"
