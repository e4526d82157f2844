#!/usr/bin/env bash
# The main job: install what is missing, build the two IBIS-AMI libraries and
# the link simulator (release build in build/), assemble the model kit in
# out/kit/, check it, and run the default link simulation. The summary goes
# to standard output; the JSON summary and the pictures go to out/.
#
#   bash tools/main.sh [amisim options...]     e.g. --bits 200000 --loss 20
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=(rx_ami tx_ami amisim)
if ninja -C build -t targets all 2>/dev/null | grep -q '^ibis_checker:'; then targets+=(ibis_checker); fi
cmake --build build -j "$jobs" --target "${targets[@]}"

# The kit: the .ibs and .ami files with the libraries beside them.
cmake --install build --prefix out >/dev/null
echo "kit: $(cd out/kit && ls | tr '\n' ' ')"
if [ -x build/ibis_checker ]; then
  (cd out/kit && ../../build/ibis_checker vantrel_serdes.ibs) | tail -n 3
fi

./build/amisim -o out "$@"
