#!/usr/bin/env bash
# Builds the module and dxfhost, then imports every drawing of examples/ into out/examples/:
# for each drawing NAME.dxf the frame's object (NAME.obj), its picture (NAME.svg, NAME.png)
# and the object as text (NAME.txt). A refused drawing is part of the examples: its summary
# row says why, and its files show what the frame held when the module stopped.
# Usage: tools/run-examples.sh [--width PIXELS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

width=1024
if [[ "${1:-}" == "--width" && -n "${2:-}" ]]; then
  width="$2"
elif [[ $# -gt 0 ]]; then
  echo "usage: tools/run-examples.sh [--width PIXELS]" >&2
  exit 64
fi

tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target dxfhost dxfimport

out="out/examples"
mkdir -p "$out"
drawings=(examples/*.dxf)
status=0
build/dxfhost/dxfhost --out-dir "$out" --width "$width" "${drawings[@]}" || status=$?
# Exit status 2 means that some drawing was not imported, as the refused example is not.
if [[ $status -ne 0 && $status -ne 2 ]]; then
  echo "run-examples: dxfhost ended with status $status" >&2
  exit "$status"
fi

missing=0
for d in "${drawings[@]}"; do
  name="$(basename "${d%.*}")"
  for ext in obj svg png txt; do
    if [[ ! -s "$out/$name.$ext" ]]; then
      echo "run-examples: $out/$name.$ext was not written" >&2
      missing=1
    fi
  done
done
if [[ $missing -ne 0 ]]; then
  exit 1
fi
# Each picture must be the one the example is known to give (the refused drawing's included).
for d in "${drawings[@]}"; do
  name="$(basename "${d%.*}")"
  expected="examples/expected/$name.svg"
  if [[ -f "$expected" ]] && ! cmp -s "$expected" "$out/$name.svg"; then
    echo "run-examples: $out/$name.svg differs from $expected" >&2
    missing=1
  fi
done
if [[ $missing -ne 0 ]]; then
  exit 1
fi
echo
echo "Objects, pictures and dumps of ${#drawings[@]} drawings are in $root/$out/"
echo "(NAME.obj: the frame's object; NAME.svg and NAME.png: its picture; NAME.txt: as text;"
echo " index.html: the contact sheet of them all; summary.json, summary.tsv: the batch as data)"
