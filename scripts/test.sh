#!/bin/bash
# Sets up, builds every preset and runs every test:
#   native  libvexa.so under ASan/UBSan, the virtual reader, the tools
#   win64   the 64-bit DLL, its tests under 64-bit wine
#   win32   the product DLL: its tables, and the case tables under emulation
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
status=0
# Wine makes its prefix on first use; make it once here rather than in
# several tests starting at the same moment.
bash cmake/wine-run.sh wineboot --init >/dev/null 2>&1 || true

for preset in native win64 win32; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" || status=1
done

# ---- hardening: the fuzz target (its seeds and regressions once, then a
# bounded run of about a minute) and the stress test under ThreadSanitizer ----
for preset in fuzz tsan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" || status=1
done
# ---- end of hardening ----

# ---- the packages ----
# The win64 and win32 runs above include their package tests (label
# "package"). The Linux package is made from the release preset, which has
# no sanitisers; its package tests run here.
echo "=== release (the Linux package) ==="
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -L package -j "$jobs" || status=1
# ---- end of the packages ----
exit $status
