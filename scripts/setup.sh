#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: the package lists are refreshed only when something is missing.
set -euo pipefail
packages=(
  cmake g++ clang ninja-build pkg-config ccache
  qt6-base-dev libgl-dev libsqlite3-dev libjpeg-dev libshp-dev pxlib-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  sqlite3 fonts-dejavu-core xvfb xauth imagemagick librsvg2-bin libxml2-utils poppler-utils file
  python3-dbf gdal-bin
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
