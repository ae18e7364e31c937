#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing) and builds
# everything into build/.  Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
          libcli11-dev nlohmann-json3-dev libqhull-dev libpugixml-dev libdxflib-dev libcairo2-dev libfmt-dev python3-ezdxf
          libgdal-dev gdal-bin pybind11-dev python3-dev python3-numpy python3-pytest poppler-utils
          libjs-three chromium
          clang libclang-rt-14-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

WERROR=OFF
[ "${CI:-}" = "true" ] && WERROR=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIN_WERROR="$WERROR" >/dev/null
cmake --build build -j"$(nproc)"
