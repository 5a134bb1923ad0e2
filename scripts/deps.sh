#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the program and the tests need.
set -euo pipefail
packages=(build-essential cmake libgtest-dev libgmock-dev libbenchmark-dev
          qtbase5-dev qt3d5-dev libeigen3-dev xvfb xauth libgl1-mesa-dri
          libglx-mesa0 libegl-mesa0 fontconfig fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
