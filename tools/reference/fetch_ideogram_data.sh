#!/bin/sh
# Rebuilds data/reference/ from the npm package ideogram (CC0-1.0), pinned:
# cytobands of GRCh38 and GRCh37 and the GRCh38 gene table (Ensembl 110)
# that velmora-report builds in. Needs npm, python3 and gzip.
set -eu
VERSION=1.53.0
here=$(cd "$(dirname "$0")/../.." && pwd)
out="$here/data/reference"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
npm pack --loglevel=error "ideogram@$VERSION" >/dev/null
tar xzf "ideogram-$VERSION.tgz"
mkdir -p "$out"
python3 - "$work/package/dist/data" "$out" "$VERSION" <<'PY'
import gzip, json, sys
data, out, version = sys.argv[1:4]
wanted = {str(c) for c in range(1, 23)} | {"X", "Y"}
for build, name in (("GRCh38", "homo-sapiens.json"), ("GRCh37", "homo-sapiens-GCF_000001405.13.json")):
    bands = json.load(open(f"{data}/bands/native/{name}"))["chrBands"]
    with open(f"{out}/cytobands_{build}.tsv", "w") as f:
        f.write(f"# cytobands of {build} from the npm package ideogram {version} (CC0-1.0), "
                f"dist/data/bands/native/{name}\n# chrom\tstart_bp\tend_bp\tband\tstain\n")
        for b in bands:
            p = b.split()
            if p[0] not in wanted:
                continue
            f.write(f"{p[0]}\t{p[5]}\t{p[6]}\t{p[1]}{p[2]}\t{''.join(p[7:])}\n")
rows = []
with gzip.open(f"{data}/cache/genes/homo-sapiens-genes.tsv.gz", "rt") as f:
    for line in f:
        if line.startswith("#"):
            continue
        chrom, start, length, _, symbol = line.rstrip("\n").split("\t")[:5]
        if chrom not in wanted:
            continue
        first = int(start)  # 1-based first bp; the gene ends at start + length
        rows.append((int(chrom) if chrom.isdigit() else 23 if chrom == "X" else 24,
                     first - 1, first + int(length), chrom, symbol))
rows.sort()
with gzip.GzipFile(f"{out}/genes_GRCh38.bed.gz", "wb", mtime=0) as g:
    g.write(f"# GRCh38 genes (Ensembl 110) from the npm package ideogram {version} (CC0-1.0), "
            "dist/data/cache/genes/homo-sapiens-genes.tsv.gz\n".encode())
    for _, s, e, chrom, symbol in rows:
        g.write(f"chr{chrom}\t{s}\t{e}\t{symbol}\n".encode())
PY
echo "data/reference/ rebuilt from ideogram $VERSION"
