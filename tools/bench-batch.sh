#!/usr/bin/env bash
# Times a batch of generated drawings imported into an output folder with --jobs 1 and with
# --jobs N, alternately, and checks that both runs write the same files and show the same text.
# Usage: tools/bench-batch.sh [--drawings COUNT] [--jobs N] [--runs R] [--build DIR]
# Defaults: 200 drawings, N = the processors, 3 runs each, the default build tree (build/).
# Prints each run's seconds (and the processor seconds of dxfhost and its workers), then the medians and their ratio; exits 1 when the outputs differ
# or the contact sheet does not show every drawing.
set -euo pipefail
cd "$(dirname "$0")/.."
count=200
jobs=$(nproc)
runs=3
build=build
while [[ $# -gt 0 ]]; do
  case "$1" in
  --drawings) count="$2"; shift 2 ;;
  --jobs) jobs="$2"; shift 2 ;;
  --runs) runs="$2"; shift 2 ;;
  --build) build="$2"; shift 2 ;;
  *) echo "usage: tools/bench-batch.sh [--drawings COUNT] [--jobs N] [--runs R] [--build DIR]" >&2
     exit 64 ;;
  esac
done
host="$build/dxfhost/dxfhost"
gen="$build/bench/gen_drawing"
[[ -x "$host" && -x "$gen" ]] || { echo "bench-batch: build $host and $gen first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/drawings"
# Drawings of a few hundred entities and some blocks each, every one different.
for ((i = 0; i < count; ++i)); do
  "$gen" --entities $((100 + i % 7 * 40)) --blocks 8 --inserts $((10 + i % 5 * 10)) --seed "$i" \
    >"$work/drawings/$(printf 'd%04d.dxf' "$i")"
done

run() { # jobs out-dir: prints the seconds the batch took, and the processor seconds it used
  rm -rf "$2"
  local TIMEFORMAT='%R %U %S' times
  times=$({ time "$host" --out-dir "$2" --jobs "$1" "$work/drawings" >"$2.out" 2>"$2.err"; } 2>&1) ||
    true
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$times"
}
one=()
many=()
for ((r = 0; r < runs; ++r)); do
  read -r wall cpu < <(run 1 "$work/out1")
  one+=("$wall")
  read -r wall_n cpu_n < <(run "$jobs" "$work/outN")
  many+=("$wall_n")
  echo "run $((r + 1)): --jobs 1 $wall s ($cpu s of processor), --jobs $jobs $wall_n s ($cpu_n s of processor)"
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
m1=$(median "${one[@]}")
mn=$(median "${many[@]}")
echo "$count drawings: --jobs 1 median $m1 s, --jobs $jobs median $mn s, ratio $(awk -v a="$m1" -v b="$mn" 'BEGIN { printf "%.3f", b / a }')"

# Both runs show and write the same, byte for byte (the last line names the folder).
if ! diff -r "$work/out1" "$work/outN" >/dev/null ||
  ! cmp -s "$work/out1.err" "$work/outN.err" ||
  ! diff <(sed '$d' "$work/out1.out") <(sed '$d' "$work/outN.out") >/dev/null; then
  echo "bench-batch: --jobs 1 and --jobs $jobs differ" >&2
  exit 1
fi
# The contact sheet shows every drawing.
cards=$(grep -c '<figure class="card' "$work/outN/index.html" || true)
if [[ "$cards" -ne "$count" ]]; then
  echo "bench-batch: the contact sheet shows $cards drawings of $count" >&2
  exit 1
fi
echo "outputs identical: $(ls "$work/out1" | wc -l) files; the contact sheet shows all $cards"
