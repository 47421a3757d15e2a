#!/usr/bin/env bash
# Checks the Linux plug-in as the host will load it: it exports exactly one dynamic symbol,
# module_entry; it names the stand-in kernel library as a needed library; and every unversioned
# symbol it leaves undefined (the kernel services) is defined by that library.
# Usage: tools/check-plugin.sh <dxfimport.so> <libhostkernel.so>
set -euo pipefail

plugin=${1:?usage: check-plugin.sh <plugin> <kernel library>}
kernel=${2:?usage: check-plugin.sh <plugin> <kernel library>}
fail=0

exports=$(nm -D --defined-only "$plugin" | awk '{print $3}' | sort)
if [[ "$exports" != "module_entry" ]]; then
  echo "FAIL: the plug-in must export module_entry only; it exports:" $(echo "$exports" | head -20)
  fail=1
fi

kernel_name=$(basename "$kernel")
if ! readelf -d "$plugin" | grep -q "(NEEDED).*\[$kernel_name\]"; then
  echo "FAIL: the plug-in does not name $kernel_name as a needed library"
  fail=1
fi

# Undefined symbols without a version belong to no system library: the kernel must have them.
wanted=$(nm -D --undefined-only "$plugin" | awk '$1 == "U" && $2 !~ /@/ {print $2}' | sort)
provided=$(nm -D --defined-only "$kernel" | awk '{print $3}' | sort)
missing=$(comm -23 <(echo "$wanted") <(echo "$provided"))
if [[ -n "$missing" ]]; then
  echo "FAIL: undefined in the plug-in and not in $kernel_name:" $missing
  fail=1
fi
if [[ -z "$wanted" ]]; then
  echo "FAIL: the plug-in calls no kernel service"
  fail=1
fi

if LD_LIBRARY_PATH="$(dirname "$kernel")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" ldd "$plugin" |
    grep -q "not found"; then
  echo "FAIL: a library the plug-in needs cannot be found"
  fail=1
fi

if ((fail)); then
  exit 1
fi
echo "plug-in: exports module_entry only; $(echo "$wanted" | wc -l) kernel services resolved by $kernel_name"
