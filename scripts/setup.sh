#!/usr/bin/env bash
# Installs what the build needs (Debian packages) when missing, then configures and builds.
# Usage: scripts/setup.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev libstb-dev
          fonts-liberation2 fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build_dir" -j"$(nproc)"
