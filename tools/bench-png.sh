#!/usr/bin/env bash
# Builds the Release tree and prints what a PNG picture costs beside a plain import (see
# bench/png_table.py): the 10 MB, 100 MB and nesting-heavy drawings, each imported with and
# without --png, alternately, five times each.
# Usage: tools/bench-png.sh [--runs N] [--only medium,large,nesting] [--width PIXELS]
# The Release tree is build-release/ (BENCH_BUILD_DIR to change), the drawings go to
# build-release/bench-drawings/.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BENCH_BUILD_DIR:-build-release}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDXF_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
exec python3 bench/png_table.py --build "$build" "$@"
