#!/usr/bin/env bash
# Installs what the build needs (Debian packages), builds, and then either starts the editor on
# the demo set (`run`, the default) or runs the whole test suite (`test`).
#   scripts/setup.sh [run|test|build|deps]
# Environment: BUILD_DIR (default: build), JOBS (default: number of cores).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-run}
build_dir=${BUILD_DIR:-$here/build}
jobs=${JOBS:-$(nproc)}

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev libvulkan-dev
          libgtest-dev libgmock-dev googletest libbenchmark-dev clang libclang-rt-dev llvm
          fonts-dejavu-core fonts-ipafont-gothic
          libhunspell-dev hunspell-en-us hunspell-fr hunspell-de-de hunspell-es hunspell-it hunspell-pt-br
          help2man desktop-file-utils appstream lintian dpkg-dev file libglib2.0-bin shared-mime-info
          bash-completion shellcheck gettext tidy locales xvfb openbox x11-utils)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  # As root apt-get runs as it is, otherwise through sudo; env sets the front end inside, where
  # sudo's env_reset no longer drops it, so no package asks a question.
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
  [ "$(id -u)" -ne 0 ] && apt=(sudo "${apt[@]}")
  "${apt[@]}" update -qq
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build_dir" -j "$jobs"
}

case "$mode" in
  deps) install_missing ;;
  build) install_missing; build ;;
  test)
    install_missing
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
    ;;
  run)
    install_missing
    build
    demo="$here/demo"
    # The demo set is written once: later runs keep what was edited in it. Its translation is
    # French: the first start checks its spelling (remembered for the demo's data file, so a
    # language picked later in View > Spelling stays).
    spell=()
    if [ ! -e "$demo/demo.sfc" ]; then
      "$build_dir/src/ts2tool" demo "$demo" >/dev/null
      spell=(--spell fr_FR)
    fi
    exec "$build_dir/src/ts2edit" "${spell[@]}" "$demo/demo.sfc" "$demo/demo.txt"
    ;;
  *) echo "usage: scripts/setup.sh [run|test|build|deps]" >&2; exit 2 ;;
esac
