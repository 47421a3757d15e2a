#!/usr/bin/env bash
# Runs dxfhost under valgrind's memory checker over the examples and the test drawings, with
# the import, the dump, the JSON report and an SVG picture of each: any invalid access, use of
# an undefined value or leak fails the run (exit status 1). dxfhost's own status 2 (some
# drawing was not imported: the refused example is not) is expected. PNG pictures are left
# out: the system's font libraries keep memory to the end of a process. A batch's worker
# processes run under the checker too, each with a log of its own that must stay empty; one
# batch runs with --jobs 1, in dxfhost itself.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target dxfhost dxfimport
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
run() {
  local status=0
  rm -f "$out"/valgrind.*.log
  valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --show-leak-kinds=definite,indirect --track-origins=yes --quiet --trace-children=yes \
    --log-file="$out/valgrind.%p.log" build/dxfhost/dxfhost "$@" >/dev/null || status=$?
  local log
  for log in "$out"/valgrind.*.log; do
    if [[ -s "$log" ]]; then
      cat "$log" >&2
      status=1
    fi
  done
  if [[ $status -ne 0 && $status -ne 2 ]]; then
    echo "ci-valgrind: dxfhost $* ended with status $status under valgrind" >&2
    exit 1
  fi
}
drawings=(examples/*.dxf tests/data/*.dxf)
run --dump --jobs 2 "${drawings[@]}"
run --json --jobs 1 "${drawings[@]}"
for d in "${drawings[@]}"; do
  run --svg "$out/$(basename "${d%.*}").svg" --object "$out/$(basename "${d%.*}").obj" "$d"
done
echo "ci-valgrind: ${#drawings[@]} drawings, no memory errors"
