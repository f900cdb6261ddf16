#!/usr/bin/env bash
# Runs velmora and annotsum on the demo cohort of examples/demo/ (see
# examples/make_demo.py), as `make demo` does after the release build.
#
# The cutoff is 5 cM: the demo panel is about ten times sparser than a real
# chip, so chance RCHHs between unrelated subjects reach a few cM; at 5 cM only
# the stretch planted on chromosome 7 is shared by all six patients.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

readonly CUTOFF_CM=5
readonly DEMO=examples/demo
readonly OUT=$DEMO/out/
readonly VELMORA=build/velmora
readonly ANNOTSUM=build/annotsum

for program in "$VELMORA" "$ANNOTSUM" build/velmora-report; do
  if [[ ! -x $program ]]; then
    echo "ERROR: $program is missing; build it first with 'make'." >&2
    exit 1
  fi
done

mkdir -p "$OUT"

# Runs one program with the given standard input; stops the demo when it fails.
run_step() {
  local title=$1 input=$2
  shift 2
  echo
  echo "=== $title"
  local status=0
  "$@" < <(printf '%s' "$input") || status=$?
  if [[ $status -ne 0 ]]; then
    echo "ERROR: '$*' ended with exit status $status." >&2
    exit "$status"
  fi
}

run_step "velmora: six patients against six controls, cutoff $CUTOFF_CM cM" \
  "$CUTOFF_CM"$'\n' \
  "$VELMORA" "$DEMO/analysis_with_controls.txt"

# Patients only: after the cutoff the query asks for a set of patients; the
# six planted sharers are chosen, then an empty line ends the dialogue.
run_step "velmora: six patients only, query for patients 1 to 6" \
  "$CUTOFF_CM"$'\n''1 2 3 4 5 6'$'\n'$'\n' \
  "$VELMORA" "$DEMO/analysis_patients_only.txt"

run_step "annotsum: autosomal SNPs, mean major-allele frequency, genetic distance (cM)" \
  "" \
  "$ANNOTSUM" "$DEMO/annotation.txt"

# The front door: velmora-report runs velmora's analysis in its own process
# and writes the report; here straight from the demo's VCF version.
run_step "velmora-report: ranked regions with genes and genome-wide adjusted p, report.html" \
  "" \
  build/velmora-report --vcf examples/demo_vcf/demo.vcf.gz \
  --map examples/demo_vcf/genetic_map.txt --patients examples/demo_vcf/patients.txt \
  --controls examples/demo_vcf/controls.txt --cutoff "$CUTOFF_CM" \
  --out "$DEMO/report" --genes "$DEMO/genes.bed" --permutations 1000

echo
echo "=== Report: $DEMO/report/report.html"
echo
echo "=== Files written to $OUT"
ls -l "$OUT"
