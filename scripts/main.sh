#!/bin/bash
# Sets up and builds the library for all three targets, and shows what was
# built.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
done

echo
echo "Built:"
file build/native/libvexa.so build/win32/vexa.dll build/win64/vexa.dll
echo
echo "Exports of the 32-bit vexa.dll:"
i686-w64-mingw32-objdump -p build/win32/vexa.dll | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'
echo "Imports: $(i686-w64-mingw32-objdump -p build/win32/vexa.dll | grep 'DLL Name' | sed 's/.*: //' | tr '\n' ' ')"
