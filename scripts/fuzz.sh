#!/usr/bin/env bash
# Builds and runs one fuzz target of the file readers (fuzz/): installs clang
# when it is missing (only this optional target needs it), builds into
# build-fuzz/ with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs the target on a copy of its seed corpus, in one process (one core).
#
#   scripts/fuzz.sh <plan|ini|dish|dris|csv|backup> [seconds=600] [more libFuzzer options]
#
# New inputs the fuzzer keeps go to build-fuzz/corpus/<reader>/; a crash is
# written as build-fuzz/crash-<reader>-... and the run stops.
set -euo pipefail
cd "$(dirname "$0")/.."
reader="${1:?usage: scripts/fuzz.sh <plan|ini|dish|dris|csv|backup> [seconds] [options]}"
seconds="${2:-600}"
shift $(( $# >= 2 ? 2 : 1 ))

if ! command -v clang++ >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang
fi

if [ ! -f build-fuzz/CMakeCache.txt ]; then
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DNQB_FUZZ=ON >/dev/null
fi
cmake --build build-fuzz --target "fuzz_${reader}" -j"$(nproc)"

work="build-fuzz/corpus/${reader}"
mkdir -p "$work"
cp -n fuzz/corpus/"${reader}"/* "$work"/ 2>/dev/null || true
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
exec build-fuzz/fuzz/"fuzz_${reader}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=262144 -print_final_stats=1 -artifact_prefix="build-fuzz/crash-${reader}-" "$@" "$work"
