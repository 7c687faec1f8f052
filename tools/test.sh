#!/usr/bin/env bash
# Builds everything and runs the whole test suite. With OA_TEST_PG_URL set (tools/pg-test-cluster.sh sets it)
# the database tests run on PostgreSQL as well as SQLite.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 600
