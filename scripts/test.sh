#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs every test: the default build (unit, display and end-to-end
# tests), the sanitizer build (the tests that need no display and no real GL),
# and the Windows builds: 64-bit with its tests under Wine, 32-bit built only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
status=0
echo "== formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror || status=1
for preset in default sanitize windows windows32; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    # 32-bit Windows programs would need Wine's 32-bit half (wine32, an
    # i386 foreign architecture): built, not run.
    [[ $preset == windows32 ]] && continue
    ctest --preset "$preset" || status=1
done
exit $status
