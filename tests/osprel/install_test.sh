#!/usr/bin/env bash
# Installs the library into a scratch prefix and builds a client program with
# nothing but `pkg-config --cflags --libs osprel`, then runs it.
# Arguments: cmake, build directory, C++ compiler, compiler flags, linker flags.
set -euo pipefail
CMAKE="$1" BUILD="$2" CXX="$3" CXXFLAGS="$4" LDFLAGS="$5"
PREFIX="$(mktemp -d)"
trap 'rm -rf "$PREFIX"' EXIT

# The run-time library and the development files, as the two packages bring them.
for component in runtime dev; do
  "$CMAKE" --install "$BUILD" --prefix "$PREFIX" --component "$component" >/dev/null
done
PC="$(dirname "$(find "$PREFIX" -name osprel.pc | head -n1)")"
test -n "$PC" || { echo "osprel.pc was not installed"; exit 1; }

cat >"$PREFIX/client.cpp" <<'CPP'
#include <osprel.h>
#include <cstdio>
#include <vector>
int main() {
  COsprel* e = CreateCOsprel();
  if (!e || !e->IsSupportedSize(176, 144) || e->Init(176, 144, 8) != 1) return 1;
  std::vector<unsigned char> frame(176 * 144 * 3 / 2, 128), out(OSPREL_MAX_PICTURE_BYTES(176, 144));
  int bytes = 0, intra = 0;
  e->Encode(frame.data(), out.data(), &bytes, &intra, 0);
  e->Release();
  std::printf("%d %d\n", bytes, intra);
  return bytes > 0 && intra == 1 ? 0 : 1;
}
CPP
FLAGS="$(PKG_CONFIG_PATH="$PC" pkg-config --cflags --libs osprel)"
# shellcheck disable=SC2086
"$CXX" $CXXFLAGS -std=c++20 "$PREFIX/client.cpp" -o "$PREFIX/client" $FLAGS $LDFLAGS
LIBDIR="$(PKG_CONFIG_PATH="$PC" pkg-config --variable=libdir osprel)"
LD_LIBRARY_PATH="$LIBDIR" "$PREFIX/client"
