#!/usr/bin/env bash
# Sets up, builds, and then runs Plendor or its tests.
#   ./plendor.sh run    install the Debian packages, build, start on samples/
#   ./plendor.sh test   install the Debian packages, build, run every test
#   ./plendor.sh build  build only (packages already there)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${PLENDOR_BUILD_DIR:-$here/build}"

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev qt6-translations-l10n
          fonts-arphic-uming adwaita-icon-theme shared-mime-info xvfb xauth
          libgtest-dev libbenchmark-dev zlib1g-dev)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$build" -j"$(nproc)"
}

case "${1:-}" in
  run)
    install_packages
    build
    shift
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      echo "No display: starting Plendor under Xvfb." >&2
      exec xvfb-run -a -s "-screen 0 1280x800x24" "$build/plendor" "$here/samples/" "$@"
    fi
    exec "$build/plendor" "$here/samples/" "$@"
    ;;
  test)
    install_packages
    build
    export QT_QPA_PLATFORM=offscreen
    cd "$build"
    ctest --output-on-failure -j"$(nproc)" --timeout 600
    ;;
  build)
    shift
    build "$@"
    ;;
  *)
    echo "usage: $0 run|test|build" >&2
    exit 2
    ;;
esac
