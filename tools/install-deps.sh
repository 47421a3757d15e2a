#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Usage: tools/install-deps.sh [--windows]   (--windows adds the 32-bit Windows cross tools)
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev llvm clang
          libcli11-dev nlohmann-json3-dev librsvg2-dev libcairo2-dev pkg-config python3)
if [[ "${1:-}" == "--windows" ]]; then
  packages+=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
