#!/usr/bin/env bash
# Installs the whole project into a scratch prefix and runs the installed
# program and encoder tool from there, with nothing pointing back into the
# build tree. Arguments: cmake, build directory, the program's version.
set -euo pipefail
CMAKE="$1" BUILD="$2" VERSION="$3"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
PREFIX="$WORK/prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log"
unset LD_LIBRARY_PATH

# Every installed binary finds all it needs, none of it in the build tree.
binaries=("$PREFIX/bin/nuvixsdk" "$PREFIX/bin/osprel-enc" "$PREFIX/bin/nuvix-export")
while IFS= read -r -d '' library; do binaries+=("$library"); done \
  < <(find "$PREFIX" -name 'lib*.so.*' -type f -print0)
for binary in "${binaries[@]}"; do
  grep -q "$BUILD" <<<"$(readelf -d "$binary")" && fail "$binary names the build tree"
  resolved="$(ldd "$binary")"
  grep -q "not found" <<<"$resolved" && fail "$binary: $(grep 'not found' <<<"$resolved")"
  grep -q "$BUILD" <<<"$resolved" && fail "$binary loads from the build tree"
done

# A private runtime directory, as a desktop session would give.
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

version="$("$PREFIX/bin/nuvixsdk" --version)"
grep -qx "nuvixsdk $VERSION" <<<"$version" || fail "--version printed: $version"
grep -q "^board driver [0-9A-F.]*$" <<<"$version" || fail "--version printed: $version"

QT_QPA_PLATFORM=offscreen NUVIXI_SIM_BOARDS='' "$PREFIX/bin/nuvixsdk" --tour "$WORK/tour" >"$WORK/tour.log" 2>&1 ||
  fail "the installed program's tour failed: $(tail -n 20 "$WORK/tour.log")"
shots=$(find "$WORK/tour" -name '*.png' -size +1k | wc -l)
[ "$shots" -ge 12 ] || fail "the tour left $shots screenshots"
[ -s "$WORK/tour/tour_00.MJP" ] || fail "the tour recorded nothing"
grep -q "QStandardPaths" "$WORK/tour.log" && fail "the tour printed runtime-directory noise"
[ -s "$WORK/tour/tour_00.avi" ] || fail "the tour did not export its recording: $(grep 'tour: ' "$WORK/tour.log")"

# Two frames of noise at 176x144 (I420: 38016 bytes each), coded to standard output.
head -c 76032 /dev/urandom >"$WORK/in.yuv"
"$PREFIX/bin/osprel-enc" -s 176x144 "$WORK/in.yuv" - >"$WORK/out.263" 2>"$WORK/enc.log" ||
  fail "the installed osprel-enc failed: $(cat "$WORK/enc.log")"
[ -s "$WORK/out.263" ] || fail "osprel-enc wrote nothing"
grep -q "frames: 2 (I 1, P 1)" "$WORK/enc.log" || fail "osprel-enc summary: $(cat "$WORK/enc.log")"
echo "installed program, libraries and osprel-enc run from $PREFIX"
