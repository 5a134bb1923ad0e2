#!/usr/bin/env bash
# Installs what is missing, builds the program alone (not the tests), and
# starts it in examples/, where the sample ship-motion recording and the
# unit-test reference tables lie.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" --target marvek
cd "$root/examples"
exec "$root/build/app/marvek"
