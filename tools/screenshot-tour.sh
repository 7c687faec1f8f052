#!/usr/bin/env bash
# Photographs the main windows of the three programs on a database and prints the PNG paths.
# Usage: tools/screenshot-tour.sh BUILD_DIR DATABASE_URL OUT_DIR   (run under a display or xvfb-run)
set -uo pipefail
BUILD=$1; URL=$2; OUT=$3
mkdir -p "$OUT/registrar" "$OUT/lantern" "$OUT/migrator"
"$BUILD/registrar/registrar" --database "$URL" --screenshots "$OUT/registrar" --login admin --password admin \
  || echo "registrar screenshots failed" >&2
if "$BUILD/lantern/lantern" --help 2>/dev/null | grep -q -- --screenshots; then
  # Two colleagues take turns so the chat window shows a real exchange: 1002 comes online, 1001 writes to
  # him, and 1002's run (the one kept) shows the conversation.
  "$BUILD/lantern/lantern" --database "$URL" --screenshots "$OUT/lantern/1002-first" --login 1002 --password 1002 >/dev/null \
    && "$BUILD/lantern/lantern" --database "$URL" --screenshots "$OUT/lantern/1001" --login 1001 --password 1001 >/dev/null \
    && "$BUILD/lantern/lantern" --database "$URL" --screenshots "$OUT/lantern" --login 1002 --password 1002 \
    || echo "lantern screenshots failed" >&2
  rm -rf "$OUT/lantern/1002-first" "$OUT/lantern/1001"
fi
# The wizard is photographed on a throw-away database of an older release, so every page has work to show.
"$BUILD/migrator/migrator" --screenshots "$OUT/migrator" || echo "migrator screenshots failed" >&2
