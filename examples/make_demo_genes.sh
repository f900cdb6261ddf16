#!/usr/bin/env bash
# Writes examples/demo/genes.bed, the gene file of the demo report: the
# protein-coding genes of Debian's r-bioc-org.hs.eg.db (NCBI gene symbols with
# UCSC chromosome locations on GRCh38/hg38) that lie within the span of each
# demo chromosome. The demo cohort is synthetic, so these genes only show what
# a report of real data looks like; real data must be on the same build.
#
#   apt-get install r-bioc-org.hs.eg.db sqlite3
#   examples/make_demo_genes.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

DB=$(dpkg -L r-bioc-org.hs.eg.db 2>/dev/null | grep 'org.Hs.eg.sqlite$' | head -1 || true)
if [[ -z $DB || ! -f $DB ]]; then
  echo "ERROR: r-bioc-org.hs.eg.db is not installed (apt-get install r-bioc-org.hs.eg.db sqlite3)" >&2
  exit 1
fi

# The demo's autosomes and their first and last positions (bp).
bounds=$(awk -F'\t' '$1 ~ /^[0-9]+$/ && $1 < 23 {
           if (!($1 in lo)) lo[$1] = $2; hi[$1] = $2 }
         END { for (c in lo) printf "(\x27%s\x27,%d,%d),", c, lo[c], hi[c] }' examples/demo/annotation.txt)
bounds=${bounds%,}

{
  echo "track name=demo_genes description=\"protein-coding genes, org.Hs.eg.db 3.16 (NCBI Gene 2022-09-12, UCSC locations GRCh38/hg38)\""
  sqlite3 -separator $'\t' "$DB" "
    WITH demo(chrom, lo, hi) AS (VALUES $bounds)
    SELECT 'chr' || c.seqname,
           min(abs(c.start_location), abs(c.end_location)) - 1,
           max(abs(c.start_location), abs(c.end_location)),
           g.symbol
    FROM chromosome_locations c
    JOIN gene_info g USING (_id)
    JOIN genetype t USING (_id)
    JOIN demo d ON d.chrom = c.seqname
    WHERE t.gene_type = 'protein-coding'
      AND max(abs(c.start_location), abs(c.end_location)) >= d.lo
      AND min(abs(c.start_location), abs(c.end_location)) <= d.hi
    GROUP BY c.seqname, g.symbol
    ORDER BY CAST(c.seqname AS INTEGER), 2, 4;"
} > examples/demo/genes.bed
echo "examples/demo/genes.bed: $(($(wc -l < examples/demo/genes.bed) - 1)) genes" >&2
