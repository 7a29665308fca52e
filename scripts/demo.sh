#!/usr/bin/env bash
# Builds the library and runs the demo against the example gateway list.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
cd "$root/examples"
"$root/build/roviro2-demo"
