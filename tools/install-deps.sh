#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Usage: tools/install-deps.sh [--windows] [--screenshot]
#   --windows adds the Windows cross tools: i686 for the plug-in users install, x86_64 and 64-bit
#   Wine for running the Windows build here (tools/check-windows-run.sh).
#   --screenshot adds a web browser that draws pages headless, for the picture of the contact
#   sheet in the docs (tools/contact-sheet-screenshot.sh); neither the build nor CI needs it.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev llvm clang
          libcli11-dev libdime-dev nlohmann-json3-dev librsvg2-dev libcairo2-dev zlib1g-dev
          pkg-config python3 valgrind)
# Installed without their recommendations: Wine's would bring graphics, sound and font stacks
# (and the 32-bit Wine) that console programs never touch.
lean=()
for arg in "$@"; do
  case "$arg" in
  --windows)
    packages+=(g++-mingw-w64-i686 binutils-mingw-w64-i686
               g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64)
    lean+=(wine64 wine) ;;
  --screenshot) packages+=(chromium) ;;
  *) echo "usage: tools/install-deps.sh [--windows] [--screenshot]" >&2; exit 64 ;;
  esac
done

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_lean < <(missing_of "${lean[@]}")
if ((${#missing[@]} + ${#missing_lean[@]} == 0)); then
  exit 0
fi
echo "Installing: ${missing[*]} ${missing_lean[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
install=($sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600)
$sudo apt-get update -qq
if ((${#missing[@]})); then
  "${install[@]}" "${missing[@]}" >/dev/null
fi
if ((${#missing_lean[@]})); then
  "${install[@]}" --no-install-recommends "${missing_lean[@]}" >/dev/null
fi
