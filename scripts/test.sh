#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite once inside
# one X server (the 3D tests render on it; widget tests use the offscreen platform).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
export LIBGL_ALWAYS_SOFTWARE=1
cd "$root/build"
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --output-on-failure -j"$(nproc)" "$@"
