#!/usr/bin/env bash
# Configures and builds the project in build/ (Release, warnings as errors).
# Arguments go to the build step: "--target marvek" builds the program alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" "$@"
