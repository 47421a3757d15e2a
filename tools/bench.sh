#!/usr/bin/env bash
# Builds the Release tree and prints the import's benchmark table (see bench/bench_table.py):
# each generated drawing imported by dxfhost, timed against the parse floor (and, for the
# drawings full of blocks, against a general DXF library's walk with INSERTs expanded).
# Usage: tools/bench.sh [--runs N] [--only NAME,...] [--skip-large] [--keep-drawings]
# The Release tree is build-release/ (BENCH_BUILD_DIR to change), the drawings go to
# build-release/bench-drawings/.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BENCH_BUILD_DIR:-build-release}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDXF_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
exec python3 bench/bench_table.py --build "$build" "$@"
