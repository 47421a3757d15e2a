#!/usr/bin/env bash
# Runs dxfhost under valgrind's memory checker over the examples and the test drawings: any
# invalid access, use of an undefined value or leak fails the run (exit status 1). dxfhost's
# own status 2 (some drawing was not imported: the refused example is not) is expected.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target dxfhost dxfimport
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
status=0
valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
  --show-leak-kinds=definite,indirect --track-origins=yes --quiet \
  build/dxfhost/dxfhost --out-dir "$out" examples/*.dxf tests/data/*.dxf || status=$?
if [[ $status -ne 0 && $status -ne 2 ]]; then
  echo "ci-valgrind: dxfhost under valgrind ended with status $status" >&2
  exit 1
fi
echo "ci-valgrind: no memory errors"
