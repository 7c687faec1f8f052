#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need (only those missing).
set -euo pipefail
PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev postgresql \
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc qt6-multimedia-dev zlib1g-dev \
  libxlsxwriter-dev python3-xlwt python3-openpyxl unixodbc-dev tdsodbc xvfb xauth imagemagick fonts-wqy-microhei libxss-dev"
missing=""
for p in $PACKAGES; do dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"; done
if [ -n "$missing" ]; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y --no-install-recommends $missing
fi
