#!/usr/bin/env bash
# The main job: install what is missing, build the two IBIS-AMI libraries and
# the link simulator (release build in build/), assemble the model kit in
# out/kit/, check it, and run the default link simulation. The summary goes
# to standard output; the JSON summary and the pictures go to out/.
#
#   bash tools/main.sh [amisim options...]     e.g. --bits 200000 --loss 20
#   AMI_OUT=DIR bash tools/main.sh            results (and the kit) in DIR instead of out/
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs" --target rx_ami tx_ami amisim ibis_checker

# The kit: the .ibs and .ami files with the libraries beside them.
out=${AMI_OUT:-out}
cmake --install build --prefix "$out" >/dev/null
echo "kit: $(cd "$out/kit" && ls | tr '\n' ' ')"
# The kit must pass its own checker (the .ibs with the .ami files it names);
# a kit that fails stops the job here.
checker=$(pwd)/build/ibis_checker
if ! report=$(cd "$out/kit" && "$checker" vantrel_serdes.ibs); then
  printf '%s\n' "$report" >&2
  echo "kit check: FAILED ($out/kit/vantrel_serdes.ibs)" >&2
  exit 1
fi
printf '%s\n' "$report" | tail -n 3
echo "kit check: passed ($out/kit/vantrel_serdes.ibs and the .ami files it names)"

./build/amisim -o "$out" "$@"
