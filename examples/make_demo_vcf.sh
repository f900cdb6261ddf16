#!/usr/bin/env bash
# Writes examples/demo_vcf/ from the demo cohort of examples/demo/: the twelve
# subjects as a bgzip-compressed VCF (demo.vcf.gz), its genetic map
# (genetic_map.txt: chromosome, bp, cM) and the two sample lists, so that the
# road from a VCF to velmora's figures can be tried on data the project ships.
#
#   examples/make_demo_vcf.sh [path/to/velmora-export]
#
# Run from anywhere after `make`; the output is fully determined by the demo.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
readonly EXPORT=${1:-build/velmora-export}
if [[ ! -x $EXPORT ]]; then
  echo "ERROR: $EXPORT is missing; build it with 'make' (needs libhts-dev)." >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$EXPORT" examples/demo/analysis_with_controls.txt "$work" --name demo
mkdir -p examples/demo_vcf
for file in demo.vcf.gz genetic_map.txt patients.txt controls.txt; do
  cp "$work/$file" examples/demo_vcf/
done
echo "Wrote examples/demo_vcf/: demo.vcf.gz genetic_map.txt patients.txt controls.txt" >&2
