#!/usr/bin/env bash
# Sets up, builds and runs Glossel on a fresh Debian 12.
#
#   bash setup.sh run    install what is needed, build, and open the viewer on a sample
#   bash setup.sh test   install what is needed, build, and run the whole test suite
#                        (a plain build, then an AddressSanitizer + UBSan build)
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
  fonts-liberation
  xvfb xauth imagemagick poppler-utils
)

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

if [ "$mode" = run ]; then
  build build
  sample=examples/lantern.inf
  if [ -x build/glossel ]; then
    exec ./build/glossel "$sample"
  fi
  mkdir -p out
  for f in examples/*.inf; do
    ./build/glossel-render -o "out/$(basename "${f%.inf}").rtf" "$f"
  done
  echo "Rendered the samples of examples/ to out/*.rtf"
  exit 0
fi

build build -DGLOSSEL_WERROR=ON
(cd build && ctest --output-on-failure -j"$jobs")
build build-asan -DGLOSSEL_SANITIZE=ON -DGLOSSEL_WERROR=ON -DGLOSSEL_BENCH=OFF
(cd build-asan && ctest --output-on-failure -j"$jobs")
echo "All tests passed (plain and sanitizer builds)."
