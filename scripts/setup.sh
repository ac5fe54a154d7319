#!/usr/bin/env bash
# Installs what Calmora needs from Debian's packages, builds it, and then either starts
# the program ("start") or runs the whole test suite under the sanitizers ("test").
# Safe to run again: installed packages and finished builds are left as they are.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-start}

build_packages=(build-essential cmake ninja-build ccache mold pkg-config git
  qt6-base-dev zlib1g-dev libjpeg62-turbo-dev libpng-dev libopenjp2-7-dev libraw-dev
  liblcms2-dev libcurl4-openssl-dev libavformat-dev libavcodec-dev libswscale-dev
  fonts-dejavu-core fonts-liberation2 ffmpeg)
# clang's runtime libraries and OpenMP (LibRaw's link flags carry -fopenmp) are only
# recommended by clang, so a --no-install-recommends install must name them.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev clang libfuzzer-14-dev
  libclang-rt-14-dev libomp-14-dev
  xvfb xauth imagemagick netpbm libtiff-tools libopenjp2-tools liblcms2-utils qpdf
  poppler-utils ghostscript locales python3 python3-pil libvips-tools pngquant
  libimage-exiftool-perl libexiv2-dev python3-pyftpdlib openssl qt6-translations-l10n
  libxml2-utils dcmtk libraw-bin libmagic-dev file libjpeg-turbo-progs pngcheck
  giflib-tools gifsicle)

install_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
      || missing+=("$package")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

ensure_comma_locale() {
  # Number tests need a locale whose decimal separator is a comma.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
  fi
}

jobs=$(nproc)

case "$mode" in
  start)
    install_packages "${build_packages[@]}"
    cmake -S "$here" -B "$here/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCALMORA_TESTS=OFF >/dev/null
    cmake --build "$here/build/release" --target calmora -j "$jobs"
    if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
      echo "No desktop session found: starting Calmora on a virtual display (Xvfb)."
      install_packages xvfb xauth
      exec xvfb-run -a "$here/build/release/app/calmora"
    fi
    exec "$here/build/release/app/calmora"
    ;;
  test)
    install_packages "${build_packages[@]}" "${test_packages[@]}"
    ensure_comma_locale
    exec "$here/scripts/run-tests.sh"
    ;;
  *)
    echo "usage: $0 start|test" >&2
    exit 2
    ;;
esac
