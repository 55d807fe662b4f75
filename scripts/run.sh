#!/usr/bin/env bash
# Sets up, builds and starts the program. The database lives in Data/ under
# the current directory (created on first start).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/setup.sh"
exec "$ROOT/build/nqb" "$@"
