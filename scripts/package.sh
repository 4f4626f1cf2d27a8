#!/usr/bin/env bash
# Builds the Debian package ts2edit_VERSION_amd64.deb: a release build with Debian's hardening
# flags (dpkg-buildflags), then `cpack -G DEB`. Prints the package's path.
#   scripts/package.sh [BUILD_DIR]      (default: build-package)
# scripts/check-package.sh checks the result with Debian's validators.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$here/build-package}
jobs=${JOBS:-$(nproc)}

bash "$here/scripts/setup.sh" deps >&2
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build "$build_dir" -j "$jobs" >&2
(cd "$build_dir" && cpack -G DEB >&2)
ls "$build_dir"/ts2edit_*_amd64.deb
