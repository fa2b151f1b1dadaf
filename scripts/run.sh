#!/usr/bin/env bash
# Builds moon (release with debug info) and starts the viewer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default
exec build/default/src/viewer/moon "$@"
