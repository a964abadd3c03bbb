#!/usr/bin/env bash
# Builds a Release build for /usr and the Debian packages of it with CPack (lexaurum,
# lexaurum-gui, liblexaurum4, liblexaurum-dev; cmake/Package.cmake), then checks them with
# lintian, which must report no errors. The .deb files land in build/packages (or
# $LXR_PACKAGE_DIR); their names are printed last.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# dpkg-dev: dpkg-shlibdeps for the dependencies; file: CPack's test for binaries to strip.
need_packages "${LXR_BUILD_PACKAGES[@]}" "${LXR_DESKTOP_PACKAGES[@]}" dpkg-dev file lintian

BUILD=${LXR_PACKAGE_BUILD:-build/package}
OUT=${LXR_PACKAGE_DIR:-build/packages}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian's hardening flags (stack protector, fortified calls, read-only relocations, ...).
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DLXR_INSTALL_RPATH=OFF -DLXR_PACKAGE_DEB=ON "${launcher[@]}" >/dev/null
cmake --build "$BUILD" -j "${LXR_JOBS:-$(nproc)}"

rm -rf "$BUILD/_CPack_Packages"
(cd "$BUILD" && cpack -G DEB >/dev/null)
mkdir -p "$OUT"
rm -f "$OUT"/*.deb
mv "$BUILD"/*.deb "$OUT"/
debs=("$OUT"/*.deb)

# lintian: errors fail the build; warnings are shown (docs/packaging.md says which are
# expected and why).
echo "lintian:"
status=0
lintian --tag-display-limit 0 "${debs[@]}" || status=$?
if ((status != 0)); then
  echo "package.sh: lintian reported errors" >&2
  exit 1
fi
printf '%s\n' "${debs[@]}"
