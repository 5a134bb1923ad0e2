#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program in examples/, where
# the sample ship-motion recording and the unit-test reference tables lie.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
cd "$root/examples"
exec "$root/build/app/marvek"
