#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite (headless).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/setup.sh"
cd "$ROOT/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
