#!/usr/bin/env bash
# Runs the Windows build. Builds the 64-bit Windows plug-in, kernel library and host (preset
# windows64) and the Linux host (preset default), then imports every example and test drawing
# (examples/*.dxf, every file under tests/data; each also with CR LF line ends and cut off
# halfway; and a drawing that is missing) with dxfhost.exe under 64-bit Wine and with the Linux
# dxfhost, each drawing twice:
#   - alone, by its absolute path, writing the object, the frame header and the SVG picture to
#     files named by absolute paths, with the JSON report on standard output;
#   - with all the others in one run, by its relative path, with the dump on standard output.
# The object, frame header and SVG files must be byte-identical, and so must standard output and
# standard error (the alert and message lines with the place in the drawing) once CRs are
# removed; the exit statuses must be equal.
#
# The Wine prefix is made once, quietly, and kept in $DXF_WINEPREFIX (by default
# ~/.cache/dxfimport/wine64); it is made again when the installed Wine changes.
# Usage: tools/check-windows-run.sh [--no-build]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [[ "${1:-}" != "--no-build" ]]; then
  cmake --preset default >/dev/null
  cmake --build --preset default -j2 --target dxfhost
  cmake --preset windows64 >/dev/null
  cmake --build --preset windows64 -j2
fi
linux_host=$root/build/dxfhost/dxfhost
windows_host=$root/build-windows64/dxfhost/dxfhost.exe
for f in "$linux_host" "$windows_host"; do
  [[ -f "$f" ]] || { echo "FAIL: $f was not built"; exit 1; }
done

# ---- Wine: 64-bit only, no window, no messages, no offer to install .NET or HTML engines ----
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[[ -x "$wine" ]] || { echo "FAIL: 64-bit Wine is not installed (tools/install-deps.sh --windows)"; exit 1; }
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
unset DISPLAY WAYLAND_DISPLAY
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
prefix=${DXF_WINEPREFIX:-${XDG_CACHE_HOME:-${HOME:-$root/build-windows64}/.cache}/dxfimport/wine64}
version=$("$wine" --version)
if [[ "$(cat "$prefix/.made-by" 2>/dev/null)" != "$version" ]]; then
  echo "windows-run: making the Wine prefix $prefix"
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  # Made beside it and moved in whole, so a prefix that is there is complete.
  new=$(mktemp -d "$prefix.new.XXXXXX")
  WINEPREFIX=$new "$wine" wineboot --init >/dev/null 2>&1 ||
    { echo "FAIL: wineboot could not make the prefix"; rm -rf "$new"; exit 1; }
  WINEPREFIX=$new "$wineserver" --wait
  echo "$version" >"$new/.made-by"
  mv -T "$new" "$prefix" 2>/dev/null || rm -rf "$new" # another run made it meanwhile
fi
export WINEPREFIX=$prefix

# ---- the runs ----
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mapfile -t drawings < <({ ls examples/*.dxf; find tests/data -type f; } | LC_ALL=C sort)
((${#drawings[@]} > 0)) || { echo "FAIL: no drawings found"; exit 1; }
# Made from them: each with CR LF line ends, as Windows programs write drawings, and cut off
# halfway (the reader's end of file inside whatever construct is there); and one that is missing.
made=$tmp/drawings
mkdir -p "$made"
for d in "${drawings[@]}"; do
  stem=$(basename "${d%.*}")
  sed 's/\r*$/\r/' "$d" >"$made/$stem-crlf.dxf"
  head -c $(($(stat -c %s "$d") / 2)) "$d" >"$made/$stem-cut.dxf"
done
mapfile -t -O ${#drawings[@]} drawings < <(ls "$made"/*.dxf | LC_ALL=C sort)
drawings+=("$made/missing.dxf")

# run SIDE CASE HOST-COMMAND...: runs one import, keeping its outputs in $tmp/SIDE/CASE.
run() {
  local side=$1 case=$2
  shift 2
  local out=$tmp/$side/$case
  mkdir -p "$out"
  local status=0
  "$@" >"$out/stdout" 2>"$out/stderr" </dev/null || status=$?
  echo "$status" >"$out/status"
}
# both CASE ARGS...: the same import on both sides; an argument @out@ names that side's folder.
both() {
  local case=$1
  shift
  local side host
  for side in linux windows; do
    local args=("${@//@out@/$tmp/$side/$case}")
    if [[ $side == linux ]]; then
      run "$side" "$case" "$linux_host" "${args[@]}"
    else
      run "$side" "$case" "$wine" "$windows_host" "${args[@]}"
    fi
  done
}

fail=0
files=0
bytes=0
compare() {
  local case=$1 f a b
  for f in status object header svg stdout stderr; do
    a=$tmp/linux/$case/$f
    b=$tmp/windows/$case/$f
    if [[ ! -e "$a" && ! -e "$b" ]]; then
      continue
    fi
    if [[ ! -e "$a" || ! -e "$b" ]]; then
      echo "FAIL: $case: $f written on one side only"
      fail=1
      continue
    fi
    if [[ $f == stdout || $f == stderr ]]; then
      tr -d '\r' <"$b" >"$b.lf"
      b=$b.lf
    fi
    if cmp -s "$a" "$b"; then
      files=$((files + 1))
      bytes=$((bytes + $(stat -c %s "$a")))
    else
      echo "FAIL: $case: $f differs (Linux <, Windows >)"
      if [[ $f == object || $f == header ]]; then
        cmp "$a" "$b" || true
      else
        diff "$a" "$b" | head -20 || true
      fi
      fail=1
    fi
  done
}

n=0
relative=()
for d in "${drawings[@]}"; do
  n=$((n + 1))
  both "$n" --object @out@/object --frame-header @out@/header --svg @out@/svg --json \
    "$(realpath -m "$d")"
  compare "$n"
  echo "windows-run: ${d#"$tmp"/}: exit $(cat "$tmp/linux/$n/status")"
  relative+=("$(realpath -m --relative-to="$root" "$d")")
done
# All of them in one run: every import in one process, dumps on standard output, the lines of
# each drawing and the summary table on standard error.
both batch --dump "${relative[@]}"
compare batch

drawn=$n
# The plug-in above 4 GiB cannot reach its resources through the handle the host keeps: its
# objects and frame headers stay those of the Linux build, its lines lack the alert, and the host
# program notes the selector heading it could not load and the 3-D alert it could not show.
above=$root/build-windows64/dxfimport_above4g.dll
[[ -f "$above" ]] || { echo "FAIL: $above was not built"; exit 1; }
for d in examples/refused.dxf examples/part.dxf; do
  n=$((n + 1))
  out=$tmp/windows/$n
  run linux "$n" "$linux_host" --object "$tmp/linux/$n/object" \
    --frame-header "$tmp/linux/$n/header" "$d"
  run windows "$n" "$wine" "$windows_host" --module "$above" --object "$out/object" \
    --frame-header "$out/header" "$d"
  expected=(LoadStringA)
  if grep -q '^error: .*(status -2)$' "$tmp/linux/$n/stderr"; then
    expected+=(FindResourceA)
  fi
  for call in "${expected[@]}"; do
    grep -q "^note: .*($call)"$'\r'"\?\$" "$out/stderr" ||
      { echo "FAIL: $d above 4 GiB: no note of the failed $call"; fail=1; }
  done
  # The message lines are the same; the place in the drawing follows the alert where there is
  # one, else the first message, so it is left out.
  for f in "$tmp/linux/$n/stderr" "$out/stderr"; do
    grep -Ev '^(alert: |note: |  at )' "$f" >"$tmp/lines" || true
    mv "$tmp/lines" "$f"
  done
  compare "$n"
  echo "windows-run: $d with the plug-in above 4 GiB: same object, noted ${expected[*]}"
done

if ((fail)); then
  exit 1
fi
echo "windows-run: $drawn drawings, $((2 * drawn)) imports in $((drawn + 1)) runs on each side" \
  "and 2 with the plug-in above 4 GiB: $files outputs of $bytes bytes in all identical under" \
  "Wine and on Linux"
