#!/usr/bin/env bash
# Sets up, builds and runs Glossel on a fresh Debian 12.
#
#   bash setup.sh run    install what is needed, build, and open the viewer on a sample;
#                        without a display, render the sample to out/ and say where
#   bash setup.sh test   install what is needed, build, and run the whole test suite
#                        (a plain build with the Debian package and its checks, then an
#                        AddressSanitizer + UBSan build)
#
# Run as root, or as a user who may use sudo. Set GLOSSEL_SKIP_INSTALL=1 to skip apt-get.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-}
case "$mode" in
  run|test) ;;
  *) echo "usage: bash setup.sh run|test" >&2; exit 1 ;;
esac

packages=(
  g++ make cmake pkg-config
  qt6-base-dev qt6-svg-dev libqt6svg6 libx11-dev
  libgtest-dev libbenchmark-dev
  nlohmann-json3-dev
  fonts-liberation
  xvfb xauth imagemagick poppler-utils
)
# The checks of the package, the manual pages, the completion and the desktop metadata;
# the editors whose language clients drive glossel-lsp in its tests; the Inform 6
# compiler and its library, which build the sample game and the game model's reference.
if [ "$mode" = test ]; then
  packages+=(
    dpkg-dev file lintian
    mandoc groff-base man-db bsdextrautils
    bash-completion
    desktop-file-utils appstream
    neovim emacs-nox elpa-eglot
    inform6-compiler inform6-library
  )
  # The Inform 6 compiler and its standard library: the game model's tests check the
  # index against what the compiler locates in the games it builds.
  packages+=(inform6-compiler inform6-library)
fi

if [ "${GLOSSEL_SKIP_INSTALL:-0}" != 1 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j"$jobs"
}

# Whether a window can be shown: a Wayland socket, or an X display that is either
# remote (ssh forwarding) or local with its server's socket present.
has_display() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    local socket=$WAYLAND_DISPLAY
    [[ $socket == /* ]] || socket=${XDG_RUNTIME_DIR:-/nonexistent}/$socket
    [ -S "$socket" ] && return 0
  fi
  [ -n "${DISPLAY:-}" ] || return 1
  if [[ $DISPLAY =~ ^(unix)?:([0-9]+)(\.[0-9]+)?$ ]]; then
    [ -S "/tmp/.X11-unix/X${BASH_REMATCH[2]}" ]
    return
  fi
  return 0
}

if [ "$mode" = run ]; then
  build build
  sample=examples/lantern.inf
  if has_display; then
    exec ./build/glossel "$sample"
  fi
  mkdir -p out
  ./build/glossel-render --format html -o out/lantern.html "$sample"
  ./build/glossel-render -o out/lantern.rtf "$sample"
  echo "No display here: $sample is rendered to out/lantern.html (open it in a browser) and out/lantern.rtf; to see the viewer, run: xvfb-run -a build/glossel $sample"
  exit 0
fi

build build -DGLOSSEL_WERROR=ON
(cd build && ctest --output-on-failure -j"$jobs")

# The first command on a machine without a display renders the sample and says where.
rm -f out/lantern.html out/lantern.rtf
said=$(env -u DISPLAY -u WAYLAND_DISPLAY GLOSSEL_SKIP_INSTALL=1 bash setup.sh run | tail -n 1)
if [[ $said != "No display here: "*out/lantern.html*"xvfb-run -a build/glossel"* ]] ||
   ! grep -q '^<!DOCTYPE html>' out/lantern.html || ! grep -q '^{\\rtf1' out/lantern.rtf; then
  echo "bash setup.sh run without a display did not render the sample to out/ (it said: $said)" >&2
  exit 1
fi
echo "Without a display, bash setup.sh run says: $said"

build build-asan -DGLOSSEL_SANITIZE=ON -DGLOSSEL_WERROR=ON -DGLOSSEL_BENCH=OFF
(cd build-asan && ctest --output-on-failure -j"$jobs")
echo "All tests passed (plain and sanitizer builds)."
