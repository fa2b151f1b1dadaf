#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the viewer (release with debug info) and starts it; arguments go to
# moon (bash scripts/run.sh --seed 42). Only the program is built: the tests
# and benchmarks are left for scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default --target moon
exec build/default/src/viewer/moon "$@"
