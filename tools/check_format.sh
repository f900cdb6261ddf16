#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what the committed .clang-format
# makes of it; `tools/check_format.sh --fix` rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=${CLANG_FORMAT:-clang-format}
if ! command -v "$formatter" > /dev/null; then
  echo "ERROR: $formatter is missing (apt-get install clang-format)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^fuzz/corpus/')
if [[ ${1:-} == --fix ]]; then
  "$formatter" -i "${files[@]}"
  exit 0
fi
if ! "$formatter" --dry-run -Werror "${files[@]}"; then
  echo "ERROR: the files above are not formatted; run tools/check_format.sh --fix" >&2
  exit 1
fi
echo "clang-format: every file formatted"
