#!/usr/bin/env bash
# Builds the 32-bit Windows plug-in, kernel library and host with the "windows" preset and
# inspects what was built:
#   - dxfimport.dll is a PE32 image for i386 whose only export is module_entry;
#   - it imports the kernel services from DUZOZIZUDIZ.dll (each one a service of host/kernel.h
#     that DUZOZIZUDIZ.dll exports) and otherwise only from the system's DLLs; neither it nor
#     DUZOZIZUDIZ.dll nor dxfhost.exe needs a C++ or compiler runtime DLL;
#   - its resources are byte-identical to what llvm-rc compiles from res/dxfimport.rc for the
#     Linux build, and hold strings 0 and 1, dialogs 32000 and 32001 and icons 31000 to 31004.
# Usage: tools/check-windows.sh [--no-build]
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" != "--no-build" ]]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j2
fi

dir=build-windows
dll=$dir/dxfimport.dll
kernel=$dir/DUZOZIZUDIZ.dll
host=$dir/dxfhost/dxfhost.exe
# The system's own DLLs that our images may import from (names compared case-insensitively).
system_dlls="kernel32.dll user32.dll msvcrt.dll"

fail=0
problem() {
  echo "FAIL: $*"
  fail=1
}

for f in "$dll" "$kernel" "$host"; do
  [[ -f "$f" ]] || { echo "FAIL: $f was not built"; exit 1; }
done

# ---- the image's kind ----
header=$(objdump -f "$dll")
grep -q "file format pei-i386" <<<"$header" || problem "$dll is not a PE32 image"
grep -q "architecture: i386" <<<"$header" || problem "$dll is not built for i386"

# ---- exports ----
exports=$(llvm-readobj --coff-exports "$dll" | awk '$1 == "Name:" {print $2}')
[[ "$exports" == "module_entry" ]] || problem "$dll must export module_entry only; it exports:" $exports

# ---- imports: "dll symbol" lines ----
imports_of() {
  llvm-readobj --coff-imports "$1" |
    awk '$1 == "Name:" {dll = $2} $1 == "Symbol:" {print dll, $2}'
}
# Every DLL an image imports from must be ours or the system's.
check_dlls() {
  local image=$1 allowed=$2 d
  for d in $(imports_of "$image" | awk '{print $1}' | sort -u); do
    if ! grep -qiw -- "$d" <<<"$allowed"; then
      problem "$image imports from $d"
    fi
  done
}
check_dlls "$dll" "$system_dlls DUZOZIZUDIZ.dll"
check_dlls "$kernel" "$system_dlls"
check_dlls "$host" "$system_dlls DUZOZIZUDIZ.dll"

services=$(sed -n 's/^KERNEL_API [^(]*[ *]\([a-z_]*\)(.*/\1/p' host/kernel.h | sort -u)
kernel_exports=$(llvm-readobj --coff-exports "$kernel" | awk '$1 == "Name:" {print $2}' | sort -u)
used=$(imports_of "$dll" | awk '$1 == "DUZOZIZUDIZ.dll" {print $2}' | sort -u)
[[ -n "$used" ]] || problem "$dll imports nothing from DUZOZIZUDIZ.dll"
for s in $used; do
  grep -qx -- "$s" <<<"$services" || problem "$dll imports $s, which is no kernel service"
  grep -qx -- "$s" <<<"$kernel_exports" || problem "DUZOZIZUDIZ.dll does not export $s"
done
# A kernel service taken from anywhere but the kernel library would be a stand-in left in.
for s in $services; do
  if imports_of "$dll" | awk '$1 != "DUZOZIZUDIZ.dll" {print $2}' | grep -qx -- "$s"; then
    problem "$dll imports the kernel service $s from another DLL"
  fi
done

# ---- resources, against the Linux build's compilation of the same source ----
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd res && llvm-rc -I . -fo "$tmp/dxfimport.res" dxfimport.rc)
python3 tools/compare-resources.py "$dll" "$tmp/dxfimport.res" || fail=1

if ((fail)); then
  exit 1
fi
echo "windows: $dll is PE32 i386, exports module_entry only"
echo "windows: imports $(wc -w <<<"$used") kernel services from DUZOZIZUDIZ.dll;" \
  "other DLLs: $(imports_of "$dll" | awk '$1 != "DUZOZIZUDIZ.dll" {print $1}' | sort -u | tr '\n' ' ')"
