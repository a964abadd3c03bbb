#!/usr/bin/env bash
# Installs Lexaurum as a user would and tries it from the PATH: the Debian packages of
# scripts/package.sh with dpkg -i when run as root (else, or with LXR_SMOKE_PREFIX=1, the
# same build installed into a fresh prefix with cmake --install). Then lxr --version; the
# bundled samples indexed and searched, the hits checked; the desktop program running a
# script that searches and quits, on the offscreen platform; a C program built with
# pkg-config against the installed header and library; man lxr; bash completion of commands
# and index names. Last it uninstalls and checks that nothing is left behind.
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD
BUILD=${LXR_PACKAGE_BUILD:-build/package}
DEBS=${LXR_PACKAGE_DIR:-build/packages}
PACKAGES=(lexaurum lexaurum-gui liblexaurum4 liblexaurum-dev)

step() { printf '\n== %s\n' "$*"; }
fail() { echo "install-smoke: FAILED: $*" >&2; exit 1; }

mode=prefix
if [ "$(id -u)" -eq 0 ] && [ "${LXR_SMOKE_PREFIX:-0}" != 1 ]; then mode=dpkg; fi
if [ $mode = dpkg ]; then
  for p in "${PACKAGES[@]}"; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
      fail "$p is installed already; remove it first (dpkg -r ${PACKAGES[*]}): this test removes what it installs"
    fi
  done
fi

step "building the packages"
./scripts/package.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/lexaurum-smoke.XXXXXX")
installed=0
cleanup() {
  if [ $mode = dpkg ] && [ $installed = 1 ]; then dpkg -r "${PACKAGES[@]}" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# The programs run with a home and private folder of their own, in a folder that is
# neither the source nor the build tree.
export HOME="$work/home" LXRDIR="$work/private" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"

if [ $mode = dpkg ]; then
  step "dpkg -i ${DEBS}/*.deb"
  dpkg -i "$DEBS"/*.deb
  installed=1
  PREFIX=/usr
  for p in "${PACKAGES[@]}"; do dpkg -L "$p" >"$work/files.$p"; done
else
  PREFIX="$work/prefix"
  step "cmake --install into $PREFIX"
  # A prefix install keeps its run path (bin/../lib) so that it runs where it lies.
  cmake -S . -B "$BUILD" -DLXR_INSTALL_RPATH=ON -DLXR_PACKAGE_DEB=OFF >/dev/null
  cmake --build "$BUILD" -j "${LXR_JOBS:-$(nproc)}"
  cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
  export PATH="$PREFIX/bin:$PATH" MANPATH="$PREFIX/share/man:"
fi
libdir=$(dirname "$(find "$PREFIX/lib" -name 'liblexaurum.so.4' -print -quit)")
[ -n "$libdir" ] || fail "liblexaurum.so.4 is not installed"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
cd "$work"

step "the programs on the PATH"
[ "$(command -v lxr)" = "$PREFIX/bin/lxr" ] || fail "lxr on the PATH is $(command -v lxr), not $PREFIX/bin/lxr"
[ "$(command -v lexaurum)" = "$PREFIX/bin/lexaurum" ] || fail "lexaurum is not on the PATH"
version=$(lxr --version)
echo "$version"
grep -qx 'lxr (Lexaurum) [0-9]*\.[0-9]*' <<<"$version" || fail "lxr --version printed '$version'"
# Nothing installed names the source tree (paths compiled in, a unit or .pc pointing back).
if grep -rlF "$SRC" "$PREFIX/bin/lxr" "$PREFIX/bin/lexaurum" "$libdir" "$PREFIX/share/lexaurum" \
     "$PREFIX/lib/systemd/user" "$PREFIX/share/applications"; then
  fail "installed files name the source tree $SRC"
fi
grep -q "^ExecStart=$PREFIX/bin/lxr watch" "$PREFIX/lib/systemd/user/lexaurum-watch@.service" \
  || fail "the systemd unit does not start $PREFIX/bin/lxr"
for f in LEXAURUM.MSG ENGLISH.ABC LEXAURUM.NOI STEMMING.DAT WPCHARS.DAT THESAUR.DAT; do
  [ -s "$PREFIX/share/lexaurum/$f" ] || fail "share/lexaurum/$f is not installed"
done
[ -x "$PREFIX/libexec/lexaurum/lxr-extract" ] || echo "(no extraction helper in this build)"

step "indexing and searching the samples"
cp -r "$SRC/data/samples" "$work/samples"
lxr create "$work/index" --name Samples
lxr add Samples "$work/samples"
lxr search 'harbour and pilot*' Samples | tee "$work/search.txt"
grep -q "letters/pilotage-dues.txt" "$work/search.txt" || fail "the search did not find letters/pilotage-dues.txt"
# A synonym search needs the thesaurus from share/lexaurum.
lxr search 'tide&' Samples >/dev/null || fail "a synonym search found nothing"
lxr search 'zyzzyva' Samples >/dev/null && fail "a search for a word in no sample found something"
# A mail message read in lxr's own process: the extractor module beside the helper is loaded.
if [ -x "$PREFIX/libexec/lexaurum/lxr-extract" ]; then
  printf 'From: a@example.org\nDate: Mon, 7 Dec 2026 10:00:00 +0000\nSubject: note\nContent-Transfer-Encoding: quoted-printable\n\nquay=20lantern\n' >"$work/note.eml"
  lxr options set extractInProcess 1 >/dev/null
  lxr text "$work/note.eml" | grep -q "quay lantern" || fail "lxr text of a message in lxr's own process (the extractor module) failed"
  lxr options set extractInProcess 0 >/dev/null
fi

step "the desktop program runs a script on the offscreen platform"
cat >"$work/gui.job" <<JOB
Lexaurum Script
Set Indexes = Samples
Set Request = pilot* w/5 fog
Search > gui.lst
Quit
JOB
QT_QPA_PLATFORM=offscreen timeout 120 lexaurum -script "$work/gui.job" \
  || fail "lexaurum -script exited with $?"
grep -q "pilotage-dues.txt" "$work/gui.lst" || fail "the desktop program's search did not find pilotage-dues.txt"


step "a C program against the installed header (pkg-config)"
cat >"$work/engine.c" <<'C'
/* Starts the engine from the installed library, names the indexes of the library, stops. */
#include <lexaurum/lexaurum.h>
#include <stdio.h>
#include <string.h>
int main(int argc, char** argv) {
  lxrInitInfo info;
  int16_t result = 0, count = 0, major = 0, minor = 0;
  int32_t needed = 0;
  char names[4096];
  if (argc < 2) return 2;
  LXR_INIT_RECORD(info);
  snprintf(info.privateDir, sizeof info.privateDir, "%s", argv[1]);
  if (lxrsDoInit(&info, &result) < 0) { fprintf(stderr, "init failed: %d\n", (int)info.errorCode); return 1; }
  lxrVersion(&major, &minor);
  if (lxrsGetIndexList(&count, names, sizeof names, &needed) < 0) return 1;
  printf("engine %d.%d, %d index(es):", major, minor, count);
  for (const char* p = names; count-- > 0; p += strlen(p) + 1) { printf(" %s", p); p += strlen(p) + 1; }
  printf("\n");
  lxrsDoShutDown(&result);
  return 0;
}
C
echo "pkg-config: $(pkg-config --cflags --libs lexaurum)"
# shellcheck disable=SC2046
cc -std=c11 -Wall -Wextra -Werror -o "$work/engine" "$work/engine.c" $(pkg-config --cflags --libs lexaurum)
out=$(LD_LIBRARY_PATH="$(pkg-config --variable=libdir lexaurum)" "$work/engine" "$LXRDIR")
echo "$out"
grep -q "Samples" <<<"$out" || fail "the C program did not see the index Samples"

step "man lxr, man lexaurum"
man -w lxr || fail "man -w lxr finds no page"
man -w lexaurum || fail "man -w lexaurum finds no page"
man lxr 2>/dev/null | grep -q "lxr - index folders" || fail "man lxr shows no page"

step "bash completion"
completion="$PREFIX/share/bash-completion/completions/lxr"
[ -r "$completion" ] || fail "no bash completion at $completion"
# complete WORD...: the replies of the completion for the words, the last one being typed.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=()
           _lxr; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
}
complete_words lxr se | grep -qx search || fail "lxr se<TAB> does not offer search"
complete_words lxr search --so | grep -qx -- --sort || fail "lxr search --so<TAB> does not offer --sort"
complete_words lxr info Sa | grep -qx Samples || fail "lxr info Sa<TAB> does not offer the index Samples"
echo "lxr se<TAB>: $(complete_words lxr se | tr '\n' ' ')  lxr info Sa<TAB>: $(complete_words lxr info Sa | tr '\n' ' ')"
[ -r "$PREFIX/share/zsh/vendor-completions/_lxr" ] || fail "no zsh completion"
if command -v zsh >/dev/null; then zsh -n "$PREFIX/share/zsh/vendor-completions/_lxr" || fail "_lxr is not valid zsh"; fi

step "uninstalling"
cd "$SRC"
if [ $mode = dpkg ]; then
  # The programs wrote nothing into the installed folders.
  extra=$(find /usr/share/lexaurum -type f | grep -vxF -f "$work/files.lexaurum" || true)
  [ -z "$extra" ] || fail "files appeared in /usr/share/lexaurum: $extra"
  dpkg -r "${PACKAGES[@]}"
  installed=0
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' && fail "$p is still installed"
    while IFS= read -r f; do
      [ -d "$f" ] && continue
      [ -e "$f" ] || [ -L "$f" ] && fail "$f of $p is left behind"
    done <"$work/files.$p"
  done
  for d in /usr/share/lexaurum /usr/libexec/lexaurum /usr/include/lexaurum /usr/share/doc/lexaurum; do
    [ -e "$d" ] && fail "$d is left behind"
  done
  ls "$libdir"/liblexaurum* >/dev/null 2>&1 && fail "liblexaurum is left in $libdir"
else
  # Every file in the prefix is one the install put there (so a removal by the manifest
  # leaves nothing) and the programs wrote nothing into it.
  while IFS= read -r f; do rm -f "$f"; done <"$BUILD/install_manifest.txt"
  left=$(find "$PREFIX" ! -type d)
  [ -z "$left" ] || fail "files not in the install manifest are left in the prefix: $left"
  rm -rf "$PREFIX"
fi
echo
echo "install-smoke: passed ($mode)"
