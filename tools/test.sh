#!/usr/bin/env bash
# Builds and runs every test: the release build, then the whole suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   bash tools/test.sh            # both builds
#   AMI_TEST_BUILDS=release bash tools/test.sh   # only one of: release, asan
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
builds=${AMI_TEST_BUILDS:-"release asan"}

for b in $builds; do
  case "$b" in
    release) dir=build;      flags=(-DCMAKE_BUILD_TYPE=Release) ;;
    asan)    dir=build-asan; flags=(-DCMAKE_BUILD_TYPE=Debug -DAMI_SANITIZE=ON -DAMI_BUILD_BENCH=OFF) ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
  echo "== $b build ($dir)"
  cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $b tests"
  # Leak checking is on for the sanitizer build; halt on the first report.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 900
done
