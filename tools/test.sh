#!/usr/bin/env bash
# Builds everything and runs the whole test suite: SQLite always, PostgreSQL as well when OA_TEST_PG_URL names
# a server. Without one, a private PostgreSQL cluster is started for the run when the server is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
if [ -z "${OA_TEST_PG_URL:-}" ]; then
  source tools/pg-test-cluster.sh
  start_test_cluster
  trap stop_test_cluster EXIT
fi
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 900
