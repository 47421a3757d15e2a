#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes the whole import for a while (default 60 s), starting from
# the test drawings, the examples and every kept regression input, with the DXF dictionary.
# Fails on any finding: the crashing, leaking or hanging input is left in build-fuzz/findings/;
# keep it as a named regression input in fuzz/regress/ once it is mended.
# Usage: tools/ci-fuzz.sh [seconds] [extra libFuzzer options...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 >/dev/null

seeds=build-fuzz/seeds
corpus=build-fuzz/corpus
findings=build-fuzz/findings
mkdir -p "$seeds" "$corpus" "$findings"
shopt -s nullglob
cp tests/data/*.dxf examples/*.dxf fuzz/regress/* "$seeds"/ 2>/dev/null || true

# Kept findings first: each must pass again before new inputs are tried.
regress=(fuzz/regress/*)
if ((${#regress[@]})); then build-fuzz/fuzz/dxf_fuzz_replay "${regress[@]}"; fi

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build-fuzz/fuzz/dxf_fuzz "$corpus" "$seeds" -dict=fuzz/dxf.dict -max_total_time="$seconds" \
  -timeout=10 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
  -artifact_prefix="$findings"/ "$@"
