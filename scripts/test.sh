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
for preset in native win64 win32; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
