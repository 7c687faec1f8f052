#!/usr/bin/env bash
# Photographs the main windows of the three programs on a database and prints the PNG paths.
# Usage: tools/screenshot-tour.sh BUILD_DIR DATABASE_URL OUT_DIR   (run under a display or xvfb-run)
set -uo pipefail
BUILD=$1; URL=$2; OUT=$3
mkdir -p "$OUT/registrar" "$OUT/lantern" "$OUT/migrator"
"$BUILD/registrar/registrar" --database "$URL" --screenshots "$OUT/registrar" --login admin --password admin \
  || echo "registrar screenshots failed" >&2
if "$BUILD/lantern/lantern" --help 2>/dev/null | grep -q -- --screenshots; then
  "$BUILD/lantern/lantern" --database "$URL" --screenshots "$OUT/lantern" --login 1001 --password 1001 \
    || echo "lantern screenshots failed" >&2
fi
# The wizard is photographed on a throw-away database of an older release, so every page has work to show.
"$BUILD/migrator/migrator" --screenshots "$OUT/migrator" || echo "migrator screenshots failed" >&2
