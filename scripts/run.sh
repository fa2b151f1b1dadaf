#!/usr/bin/env bash
# Builds moon (release with debug info) and starts the viewer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default
if [[ -x build/default/src/viewer/moon ]]; then
    exec build/default/src/viewer/moon "$@"
fi
exec build/default/tools/moon-terrain dump --seed 1 --depth 2
