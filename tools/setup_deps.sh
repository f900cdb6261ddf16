#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when
# they are missing, and the browser tests' pinned puppeteer-core from npm
# (tests/browser/package-lock.json). Does nothing (and needs no network) when
# all are present.
set -euo pipefail

packages=(g++ cmake make libgtest-dev ghostscript libhts-dev zlib1g-dev libssl-dev nlohmann-json3-dev chromium clang-format)
here=$(cd "$(dirname "$0")/.." && pwd)

browser_modules() {
  if [ ! -d "$here/tests/browser/node_modules/puppeteer-core" ]; then
    echo "Installing the browser tests' npm packages ..." >&2
    # Without the registry the browser tests skip themselves; nothing else needs it.
    (cd "$here/tests/browser" && npm ci --no-audit --no-fund --loglevel=error) ||
      echo "WARNING: npm could not install tests/browser's packages; the browser tests will skip" >&2
  fi
}
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# node and npm may come from another source than Debian's packages.
command -v node > /dev/null || missing+=(nodejs)
command -v npm > /dev/null || missing+=(npm)
if [ ${#missing[@]} -eq 0 ]; then
  browser_modules
  exit 0
fi

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
browser_modules
