#!/usr/bin/env bash
# Installs the Debian packages korvel's build, tests, fuzzers and oracles need,
# but only those that are missing (so a prepared machine pays nothing).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  clang-14 libclang-rt-14-dev
  python3 python3-xlrd python3-xlwt python3-olefile python3-openpyxl python3-msoffcrypto-tool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
