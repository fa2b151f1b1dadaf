#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs every test: the default build (unit, display and end-to-end
# tests) and the sanitizer build (the tests that need no display and no real GL).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
status=0
echo "== formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror || status=1
for preset in default sanitize; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" || status=1
done
exit $status
