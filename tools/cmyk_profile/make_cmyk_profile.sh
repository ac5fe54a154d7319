#!/usr/bin/env bash
# Rebuilds imaging/core/data/cmyk_profile_data.cpp, the built-in CMYK printer profile, from the
# ink model in make_cmyk_profile.cpp (needs g++, pkg-config, liblcms2-dev and zlib1g-dev).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

g++ -std=c++20 -O2 -o "$work/make_cmyk_profile" \
  "$here/make_cmyk_profile.cpp" $(pkg-config --cflags --libs lcms2) -lz
"$work/make_cmyk_profile" >"$work/cmyk_profile_data.cpp"
mv "$work/cmyk_profile_data.cpp" "$here/../../imaging/core/data/cmyk_profile_data.cpp"
