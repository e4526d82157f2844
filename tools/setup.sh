#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing, so a fresh machine of this kind can build everything.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # The link simulator amisim: options, long convolutions, pictures, JSON.
  libcli11-dev libfftw3-dev libcairo2-dev libpng-dev nlohmann-json3-dev pkg-config
  # The Python module's tests and the SARIF schema validation of the checker's reports.
  python3 python3-jsonschema
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
