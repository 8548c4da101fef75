#!/bin/bash
# The main job: sets up, builds the native preset (the library, the virtual
# reader and the vexa tool) and runs a short session with the tool against
# the virtual reader's default field (scripts/demo.sh). No reader needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target vexa_cli tevra_virtual
bash scripts/demo.sh build/native
