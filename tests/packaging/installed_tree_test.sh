#!/usr/bin/env bash
# Installs the run-time and development components into a scratch prefix, as
# the two Debian packages do, and checks what a desktop, man, bash and a
# library client find there. Arguments: cmake, build directory, C compiler,
# C++ compiler, the application's ID.
set -euo pipefail
CMAKE="$1" BUILD="$2" CC="$3" CXX="$4" APP_ID="$5"
HERE="$(cd "$(dirname "$0")" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
PREFIX="$WORK/prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }
quiet() { bash "$HERE/run_quietly.sh" "$@" || fail "see above"; }

for component in runtime dev; do
  "$CMAKE" --install "$BUILD" --prefix "$PREFIX" --component "$component" >"$WORK/install-$component.log"
done
programs=(nuvixsdk nuvix-export osprel-enc)

# The desktop entry starts an installed program and shows an installed icon.
desktop="$PREFIX/share/applications/$APP_ID.desktop"
[ -f "$desktop" ] || fail "no desktop entry $desktop"
quiet desktop-file-validate "$desktop"
exec_program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
[ -x "$PREFIX/bin/$exec_program" ] || fail "the desktop entry starts $exec_program, which is not installed"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ -f "$PREFIX/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 32 48 256; do
  png="$PREFIX/share/icons/hicolor/${size}x$size/apps/$icon.png"
  file "$png" | grep -q "PNG image data, $size x $size" || fail "$png: $(file "$png")"
done

# The AppStream metadata names the desktop entry and the installed programs.
metainfo="$PREFIX/share/metainfo/$APP_ID.metainfo.xml"
quiet --allow '^✔ Validation was successful\.$' appstreamcli validate --no-net --pedantic "$metainfo"
grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" || fail "the metadata launches something else"
for program in "${programs[@]}"; do
  grep -q "<binary>$program</binary>" "$metainfo" || fail "the metadata leaves out $program"
  [ -x "$PREFIX/bin/$program" ] || fail "$program is not installed"
done

# Manual pages, compressed as Debian wants them, and formatted without a warning.
for program in "${programs[@]}"; do
  page="$PREFIX/share/man/man1/$program.1.gz"
  [ -f "$page" ] || fail "no manual page for $program"
  gzip -dc "$page" >"$WORK/$program.1"
  bash "$HERE/check_man_page.sh" "$WORK/$program.1" || fail "the manual page of $program"
done

# The include folder holds what a client of the two libraries needs, and each
# header compiles on its own.
headers="$(cd "$PREFIX/include" && ls)"
[ "$headers" = "$(printf 'nuvix_gdi_records.h\nosprel.h\nzmb.h')" ] || fail "include/ holds: $headers"
echo '#include <zmb.h>' | "$CC" -std=c11 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$PREFIX/include" -x c - ||
  fail "zmb.h does not compile alone as C"
echo '#include <zmb.h>' | "$CXX" -std=c++17 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$PREFIX/include" -x c++ - ||
  fail "zmb.h does not compile alone as C++"
echo '#include <osprel.h>' | "$CXX" -std=c++17 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$PREFIX/include" -x c++ - ||
  fail "osprel.h does not compile alone"
for library in zmb osprel; do
  [ -n "$(find "$PREFIX" -type l -name "lib$library.so")" ] || fail "no development link lib$library.so"
done

# Each package's copyright file and changelog.
for package in nuvixsdk nuvixsdk-dev; do
  for doc in copyright changelog.gz; do
    [ -f "$PREFIX/share/doc/$package/$doc" ] || fail "no $doc for $package"
  done
done

# Bash completion offers options, values and files, as bash-completion loads it.
completions="$PREFIX/share/bash-completion/completions"
mkdir -p "$WORK/files/shots" && touch "$WORK/files/shots.txt" "$WORK/files/cam_00.MJP"
complete_line() {
  (cd "$WORK/files" && bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1/$2"
    shift
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    "_${1//-/_}"
    printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$completions" "$@")
}
expect_completion() {
  local expected="$1"
  shift
  local got
  got="$(complete_line "$@" | tr '\n' ' ')"
  [ "$got" = "$expected" ] || fail "completing '$*' gave '$got', not '$expected'"
}
for program in "${programs[@]}"; do
  [ -f "$completions/$program" ] || fail "no bash completion for $program"
done
expect_completion "--standard " nuvixsdk --self-test --st
expect_completion "pal " nuvixsdk --self-test --standard p
expect_completion "3 30 31 " nuvixsdk --self-test --board 3
[ "$(complete_line nuvixsdk --self-test --board "" | head -n1)" = 0 ] || fail "--board offers no board numbers"
complete_line nuvixsdk --self-test --board "" | grep -qx all || fail "--board does not offer all"
expect_completion "shots " nuvixsdk --tour sh
expect_completion "shots shots.txt " nuvixsdk --log sh
expect_completion "352x240 352x288 " osprel-enc --size=35
expect_completion "--quiet " nuvix-export --q
expect_completion "cam_00.MJP " nuvix-export cam
echo "desktop entry, icons, metadata, manual pages, headers and completions installed and valid"
