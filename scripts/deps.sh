#!/usr/bin/env bash
# Sourced by demo.sh and test.sh: makes sure the Debian packages the build needs are present.
# As root it installs what is missing; otherwise it prints the exact apt-get line and fails.

# need_packages PKG... : install (root) or name (others) the packages that are not installed.
need_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  ((${#missing[@]} == 0)) && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
  else
    echo "These Debian packages are missing. Install them with:"
    echo "  sudo apt-get install -y ${missing[*]}"
    return 1
  fi
}

# Packages for building the engine, the lxr tool and the tests.
# wordnet-base: the synonym sets the thesaurus THESAUR.DAT is made from.
# libicu-dev: Unicode folding, normalisation and word breaking; libuchardet-dev: the code page
# of legacy plain text; libpoppler-cpp-dev: the text of PDF files.
# libxml2-dev: the XML parts of Office Open XML, OpenDocument and EPUB documents.
LXR_BUILD_PACKAGES=(g++ gcc cmake ninja-build pkg-config libgtest-dev libgmock-dev libzip-dev wordnet-base
                    libicu-dev libuchardet-dev libxml2-dev
                    # PDF (poppler), mail (GMime 3), compressed single files (zlib, bzip2, xz)
                    libpoppler-cpp-dev libgmime-3.0-dev zlib1g-dev libbz2-dev liblzma-dev)

# Packages for the desktop program and its tests (Qt 6 Widgets with Test and PrintSupport),
# and for taking its screenshots (an X server without a screen, a key typist, a grabber).
LXR_DESKTOP_PACKAGES=(qt6-base-dev)
LXR_SCREENSHOT_PACKAGES=(xvfb xauth xdotool imagemagick)

# Packages for the benchmarks in bench/ (LMDB anchors the key file, Xapian the indexer, GNU
# time measures peak memory).
LXR_BENCH_PACKAGES=(liblmdb-dev libxapian-dev time)
