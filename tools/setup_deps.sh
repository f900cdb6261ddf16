#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# they are missing. Does nothing (and needs no network) when all are present.
set -euo pipefail

packages=(g++ cmake make libgtest-dev ghostscript libhts-dev zlib1g-dev libssl-dev nlohmann-json3-dev chromium clang-format)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" != 0 ]; then
  if command -v sudo > /dev/null; then
    sudo="sudo"
  else
    echo "ERROR: missing packages (${missing[*]}); install them as root: apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi
echo "Installing ${missing[*]} ..." >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
