#!/usr/bin/env bash
# The README's main command, run as a user runs it, three times over: each
# run must build the checker, check the kit with it and say that the kit
# passed, then finish the simulation (an earlier probe for the checker's
# target failed now and then and skipped the check without a word).
#
#   bash main_job_test.sh SOURCE_DIR
set -euo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for i in 1 2 3; do
  if ! log=$(cd "$src" && AMI_OUT="$tmp/out$i" bash tools/main.sh -n 6000 --no-stat -q 2>&1); then
    printf 'run %d failed:\n%s\n' "$i" "$log"
    exit 1
  fi
  if ! grep -q '^kit check: passed' <<<"$log"; then
    printf 'run %d did not check the kit:\n%s\n' "$i" "$log"
    exit 1
  fi
  [ -x "$src/build/ibis_checker" ] || { echo "run $i: no ibis_checker"; exit 1; }
  [ -f "$tmp/out$i/amisim.json" ] || { echo "run $i: no amisim.json"; exit 1; }
done
echo "main job: 3 runs, each built the checker and checked the kit"
