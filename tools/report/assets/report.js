// velmora report page: draws every view from the JSON in #report-data as SVG.
// Plain script, no library: the views are a few bar rows, a table, a grid and
// a heat map, which need nothing a browser lacks.
"use strict";
(function () {
  const errors = [];
  const errorBox = () => document.getElementById("page-errors");
  function recordError(text) {
    errors.push(text);
    const box = errorBox();
    if (box) { box.hidden = false; box.textContent = errors.join("\n"); }
  }
  window.addEventListener("error", (e) => recordError("error: " + e.message));
  window.addEventListener("unhandledrejection", (e) => recordError("rejection: " + e.reason));

  const SVG = "http://www.w3.org/2000/svg";
  const data = JSON.parse(document.getElementById("report-data").textContent);
  const byRank = new Map(data.regions.map((r) => [r.rank, r]));
  const viewByRank = new Map(data.views.map((v) => [v.rank, v]));

  function el(tag, attrs, children) {
    const node = document.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) {
      if (k === "text") node.textContent = v; else node.setAttribute(k, v);
    }
    for (const c of children || []) node.append(c);
    return node;
  }
  function svg(tag, attrs, text) {
    const node = document.createElementNS(SVG, tag);
    for (const [k, v] of Object.entries(attrs || {})) node.setAttribute(k, v);
    if (text !== undefined) node.textContent = text;
    return node;
  }
  function tip(node, text) { node.append(svg("title", {}, text)); return node; }
  const mb = (bp) => (bp / 1e6).toFixed(3);
  const fixed = (v, d) => Number(v).toFixed(d);
  const valueName = data.withControls ? "−log10 p" : "patients sharing (fold overlap)";
  const enc = encodeURIComponent;

  // ---- header
  function header() {
    const h = document.getElementById("summary");
    h.append(el("h1", { text: "velmora report" }));
    h.append(el("p", { class: "verdict" + (data.regions.some((r) => r.significant) ? " found" : ""), id: "verdict", text: data.verdict }));
    h.append(el("p", { class: "floor", id: "floor", text: data.floor }));
    h.append(el("p", { class: "floor", id: "sharing-rule", text: data.sharingRule }));
    const facts = [
      ["Analysis file", data.analysisFile],
      ["Annotation", data.annotation + " (" + data.snps + " SNPs)"],
      ["Genetic map", "column 5 of the annotation: " + data.autosomeCm + " cM over the analysed autosomes"],
      ["Cutoff", fixed(data.cutoff, 2) + " cM"],
      ["Patients", data.patients.length + ": " + data.patients.join(", ")],
      ["Controls", data.controls.length ? data.controls.length + ": " + data.controls.join(", ") : "none (fold-overlap levels rank the regions)"],
      ["Area file", data.areaFile || "none"],
      ["Genes", data.genesFile || "none given (--genes)"],
      ["Genome build", data.buildText],
      ["Candidate regions", String(data.regions.length)],
    ];
    const dl = el("dl", { class: "facts" });
    for (const [k, v] of facts) dl.append(el("dt", { text: k }), el("dd", { text: v }));
    h.append(el("details", { id: "run-facts" }, [el("summary", { text: "Inputs and settings of this run" }), dl]));
    if (data.warnings.length) {
      h.append(el("h2", { text: "Warnings" }));
      h.append(el("ul", { class: "warnings", id: "warnings" }, data.warnings.map((w) => el("li", { text: w }))));
    }
  }

  // ---- genome-wide view: one track per chromosome over its ideogram, regions outlined
  const stainShade = { gneg: "#ffffff", gpos25: "#d9d9d9", gpos50: "#b3b3b3", gpos75: "#8c8c8c", gpos100: "#595959", gvar: "#cfd8e3", stalk: "#cfd8e3", acen: "#e6b8b3" };
  function mbTicks(from, to, wanted) {
    const span = Math.max(1, to - from) / 1e6;
    const step = [1, 2, 5, 10, 20, 25, 50, 100].map((x) => x * (span > 50 ? 1 : span > 5 ? 0.1 : 0.01)).find((x) => span / x <= wanted) || 100;
    const ticks = [];
    for (let t = Math.ceil(from / 1e6 / step) * step; t * 1e6 <= to; t += step) ticks.push(t);
    return ticks;
  }
  // An Mb axis on `s` at height y from x0 to x1 (px maps bp to x), with its caption at the right.
  function mbAxis(s, px, from, to, y, x0, x1, wanted, caption) {
    s.append(svg("line", { class: "axis", x1: x0, x2: x1, y1: y, y2: y }));
    for (const t of mbTicks(from, to, wanted)) {
      s.append(svg("line", { class: "axis", x1: px(t * 1e6), x2: px(t * 1e6), y1: y, y2: y + 4 }));
      s.append(svg("text", { x: px(t * 1e6), y: y + 16, "text-anchor": "middle" }, String(+t.toFixed(2))));
    }
    s.append(svg("text", { x: x1, y: y + 32, "text-anchor": "end" }, caption));
  }
  // A plot's legend: [swatch class, text] per entry.
  function legend(entries) {
    return el("ul", { class: "legend" }, entries.map(([swatch, text]) => el("li", {}, [el("span", { class: "swatch " + swatch }), document.createTextNode(text)])));
  }
  function genome() {
    const box = document.getElementById("genome");
    // The scale holds every analysed SNP and, under a known build, every band.
    const longest = Math.max(1, ...data.genome.map((c) => Math.max(c.lastBp, ...c.bands.map((b) => b[1]))));
    const left = 44, width = 980, row = 26, trackH = 14, bandH = 5;
    const top = Math.max(data.highest, 1e-9);
    const height = row * data.genome.length + 50;
    const s = svg("svg", { viewBox: `0 0 ${left + width + 34} ${height}`, width: "100%", role: "img", id: "genome-figure",
      "aria-label": `Genome-wide view: ${valueName} along each analysed chromosome, on its cytobands; candidate regions outlined` });
    const x = (bp) => left + (bp / longest) * width;
    data.genome.forEach((c, i) => {
      const y = 14 + i * row;
      s.append(svg("text", { x: 4, y: y + trackH - 2 }, "chr" + c.chr));
      s.append(svg("rect", { class: "track-bg", x: x(c.firstBp), y, width: Math.max(1, x(c.lastBp) - x(c.firstBp)), height: trackH }));
      for (const [a, b, v] of c.bars) {
        const h = Math.max(1, (v / top) * trackH);
        s.append(tip(svg("rect", { class: "bar", x: x(a), y: y + trackH - h, width: Math.max(0.8, x(b) - x(a)), height: h }),
          `chr${c.chr}:${mb(a)}–${mb(b)} Mb, ${valueName} ${v}`));
      }
      for (const [a, b, name, stain] of c.bands) {
        s.append(tip(svg("rect", { class: "band", x: x(a), y: y + trackH + 1, width: Math.max(0.5, x(b) - x(a)), height: bandH, fill: stainShade[stain] || "#ffffff" }),
          `${c.chr}${name}: ${mb(a)}–${mb(b)} Mb`));
      }
      for (const r of data.regions.filter((r) => r.chr === c.chr)) {
        const mark = tip(svg("rect", { class: "region-mark" + (r.significant ? " significant" : ""), x: x(r.firstBp) - 1, y: y - 1, width: Math.max(3, x(r.lastBp) - x(r.firstBp) + 2), height: trackH + 2, "data-rank": r.rank }),
          `Region ${r.rank}: chr${r.chr}:${mb(r.firstBp)}–${mb(r.lastBp)} Mb, ${fixed(r.lastCm - r.firstCm, 2)} cM, ${r.patients.length} patients sharing` +
          (r.adjustedP === undefined ? "" : `, adjusted p ${fixed(r.adjustedP, 4)}`));
        mark.addEventListener("click", () => openRegion(r.rank));
        s.append(mark);
      }
    });
    // Mb axis under the last chromosome, and the bar-height scale beside the first.
    mbAxis(s, x, 0, longest, 14 + data.genome.length * row, left, left + width, 12, "position (Mb)");
    if (data.genome.length) {
      const sx = left + width + 6;
      s.append(svg("line", { class: "axis", x1: sx, x2: sx, y1: 14, y2: 14 + trackH }));
      s.append(svg("text", { x: sx + 2, y: 18, class: "scale" }, fixed(top, 2)));
      s.append(svg("text", { x: sx + 2, y: 14 + trackH, class: "scale" }, "0"));
    }
    box.append(s);
    box.append(el("p", { class: "note", id: "genome-note", text: `Bars: ${valueName} along each chromosome, scaled to the genome's highest, ${fixed(data.highest, 3)} (the scale at the top right); ` +
      (data.cytobands ? "grey below: the cytobands of " + data.build + "; " : "") +
      "red outlines: regions with adjusted p ≤ 0.05, grey: the others. Click an outline to open its region." }));
  }

  // ---- null distribution of the genome-wide largest -log10 p
  function comparisonName(r) { return data.withControls ? (r.comparison === 1 ? "representative" : "pools") : "NA"; }
  function comparisonText(r) {
    return r.comparison === 1 ? "every subject against the representative HH of the patients"
                              : "patients' against controls' fold-overlap levels";
  }
  function nullView() {
    const box = document.getElementById("null-view");
    const perm = data.permutations;
    if (!perm) {
      box.append(el("p", { class: "note", text: data.withControls
        ? "No adjusted p: run velmora-report with --permutations N to see which −log10 p the genome reaches by chance."
        : "No adjusted p: run velmora-report with --permutations N to draw N null genomes from the patients’ own calls." }));
      return;
    }
    if (perm.genomes) {
      box.append(el("h3", { text: "By chance" }));
      box.append(el("p", { class: "note", id: "null-note", text: `Adjusted p from ${perm.count} null genomes (seed ${perm.seed}): in each, the patients' calls are handed out in a random order within blocks of neighbouring SNPs (under 0.1 cM), which keeps every SNP's genotype counts and the map but takes shared haplotypes apart. A region’s adjusted p is the share of null genomes holding a stretch of as many SNPs at its fold level or above.` }));
      return;
    }
    const values = perm.nullMaxima;
    const best = data.regions.slice(0, 5);
    const top = Math.max(1e-9, perm.observed, ...values, ...best.map((r) => r.best)) * 1.05;
    const bins = 30, counts = new Array(bins).fill(0);
    for (const v of values) counts[Math.min(bins - 1, Math.floor((v / top) * bins))]++;
    const most = Math.max(1, ...counts);
    const w = 360, h = 230, left = 38, right = 12, topPad = 12, base = h - 42;
    const x = (v) => left + (v / top) * (w - left - right);
    const y = (c) => base - (c / most) * (base - topPad);
    const s = svg("svg", { viewBox: `0 0 ${w} ${h}`, width: "100%", role: "img", id: "null-figure",
      "aria-label": `Histogram of the genome-wide largest −log10 p in ${perm.count} relabellings, with the 95 % line and the best regions` });
    counts.forEach((c, i) => {
      s.append(tip(svg("rect", { class: "null-bar", x: x((i * top) / bins), y: y(c), width: Math.max(0.5, x(top / bins) - left - 0.5), height: base - y(c) }),
        `${c} relabellings with largest −log10 p ${fixed((i * top) / bins, 2)}–${fixed(((i + 1) * top) / bins, 2)}`));
    });
    const sorted = values.slice().sort((a, b) => a - b);
    const cut = sorted[Math.min(sorted.length - 1, Math.floor(0.95 * sorted.length))];
    for (const r of best) {
      s.append(tip(svg("line", { class: "null-region", x1: x(r.best), x2: x(r.best), y1: topPad, y2: base }),
        `Region ${r.rank}: −log10 p ${fixed(r.best, 3)}, adjusted p ${fixed(r.adjustedP, 4)}`));
    }
    s.append(tip(svg("line", { class: "null-cut", x1: x(cut), x2: x(cut), y1: topPad, y2: base }), `95% of relabellings stay below ${fixed(cut, 3)}`));
    // Axes: counts up the left, −log10 p along the bottom.
    s.append(svg("line", { class: "axis", x1: left, x2: w - right, y1: base, y2: base }));
    s.append(svg("line", { class: "axis", x1: left, x2: left, y1: topPad, y2: base }));
    for (let t = 0; t <= 4; t++) {
      const v = (t * top) / 4;
      s.append(svg("line", { class: "axis", x1: x(v), x2: x(v), y1: base, y2: base + 3 }));
      s.append(svg("text", { x: x(v), y: base + 14, "text-anchor": "middle" }, fixed(v, 1)));
    }
    for (const c of [0, Math.round(most / 2), most]) {
      s.append(svg("text", { x: left - 4, y: y(c) + 4, "text-anchor": "end" }, String(c)));
    }
    s.append(svg("text", { x: (left + w - right) / 2, y: h - 14, "text-anchor": "middle" }, "genome-wide largest −log10 p"));
    s.append(svg("text", { x: 10, y: (base + topPad) / 2, transform: `rotate(-90 10 ${(base + topPad) / 2})`, "text-anchor": "middle" }, "relabellings"));
    box.append(el("h3", { text: "By chance" }));
    box.append(s);
    box.append(legend([
      ["null-swatch", `relabellings of patients and controls (${perm.count}, seed ${perm.seed})`],
      ["cut-swatch", `95 % of them stay below ${fixed(cut, 3)}`],
      ["region-swatch", "the five best regions"],
    ]));
    box.append(el("p", { class: "note", id: "null-note", text: "A region's adjusted p is the share of relabellings whose genome-wide largest −log10 p reaches the region's." }));
  }

  // ---- region table, sortable and filterable
  const chrName = (r) => "chr" + r.chr;
  const namesOf = (list, names) => list.map((i) => names[i]).join(", ");
  const columns = [
    ["rank", "Rank", (r) => r.rank, true],
    ["where", "Region", (r) => r.chr * 1e10 + r.firstBp, false, (r) => `${chrName(r)}:${fixed(r.firstBp / 1e6, 2)}–${fixed(r.lastBp / 1e6, 2)} Mb`],
    ["cm", "cM", (r) => r.lastCm - r.firstCm, true, (r) => fixed(r.lastCm - r.firstCm, 2)],
    ["np", "Patients", (r) => r.patients.length, true, (r) => `${r.patients.length} of ${data.patients.length}`, (r) => namesOf(r.patients, data.patients)],
    ["nc", "Controls", (r) => (r.controls ? r.controls.length : -1), true, (r) => (r.controls ? `${r.controls.length} of ${data.controls.length}` : "NA"), (r) => (r.controls ? namesOf(r.controls, data.controls) : "")],
    ["p", "−log10 p", (r) => (data.withControls ? r.best : -1), true, (r) => (data.withControls ? fixed(r.best, 2) : "NA")],
    ["adj", "Adjusted p", (r) => (r.adjustedP === undefined ? 2 : r.adjustedP), true, (r) => (r.adjustedP === undefined ? "NA" : fixed(r.adjustedP, 3))],
    ["genes", "Genes", (r) => r.genes.length, false, (r) => (r.genes.length <= 4 ? r.genes.map((g) => g.name).join(", ") || "–" : r.genes.slice(0, 3).map((g) => g.name).join(", ") + ` +${r.genes.length - 3} more`), (r) => r.genes.map((g) => g.name).join(", ")],
  ];
  let sortKey = "rank", sortUp = true;
  function regionTable() {
    const table = document.getElementById("region-table");
    const filter = document.getElementById("region-filter").value.trim().toLowerCase();
    table.replaceChildren();
    const headRow = el("tr");
    for (const [key, title] of columns) {
      const th = el("th", { text: title, "data-key": key });
      if (key === sortKey) th.className = sortUp ? "sorted-up" : "sorted-down";
      th.addEventListener("click", () => { sortUp = sortKey === key ? !sortUp : true; sortKey = key; regionTable(); });
      headRow.append(th);
    }
    table.append(el("thead", {}, [headRow]));
    const col = columns.find((c) => c[0] === sortKey);
    let rows = data.regions.filter((r) => !filter || ("chr" + r.chr + " " + r.patients.map((i) => data.patients[i]).join(" ") + " " +
      r.genes.map((g) => g.name).join(" ")).toLowerCase().includes(filter) || String(r.chr) === filter);
    rows = rows.slice().sort((a, b) => {
      const x = col[2](a), y = col[2](b);
      const c = x < y ? -1 : x > y ? 1 : a.rank - b.rank;
      return sortUp ? c : -c;
    });
    const body = el("tbody");
    for (const r of rows) {
      const tr = el("tr", { "data-rank": r.rank, class: r.significant ? "significant" : r.adjustedP === undefined ? "" : "secondary" });
      for (const [key, , value, numeric, show, hover] of columns) {
        const text = show ? show(r) : String(value(r));
        const td = el("td", { class: (numeric ? "num" : "") + " col-" + key, text });
        if (hover && hover(r)) td.setAttribute("title", hover(r));
        tr.append(td);
      }
      tr.addEventListener("click", () => openRegion(r.rank));
      body.append(tr);
    }
    table.append(body);
    document.getElementById("region-count").textContent = `${rows.length} of ${data.regions.length} regions`;
  }

  // ---- region view
  function link(text, href) { return el("a", { href, target: "_blank", rel: "noopener noreferrer", text }); }
  function browserLinks(r) {
    const pos = `chr${r.chr}:${r.firstBp}-${r.lastBp}`;
    const ensemblHost = data.build === "hg19" || data.build === "GRCh37" ? "grch37.ensembl.org" : "www.ensembl.org";
    return [
      link("UCSC Genome Browser", `https://genome.ucsc.edu/cgi-bin/hgTracks?db=${enc(data.build)}&position=${enc(pos)}`),
      document.createTextNode(" · "),
      link("Ensembl", `https://${ensemblHost}/Homo_sapiens/Location/View?r=${r.chr}:${r.firstBp}-${r.lastBp}`),
    ];
  }
  function geneLinks(g) {
    return el("li", {}, [
      el("strong", { text: g.name }), document.createTextNode(` ${mb(g.first)}–${mb(g.last)} Mb${g.core ? " (core)" : ""}: `),
      link("OMIM", `https://www.omim.org/search?search=${enc(g.name)}`), document.createTextNode(" "),
      link("NCBI Gene", `https://www.ncbi.nlm.nih.gov/gene/?term=${enc(g.name + "[sym] AND human[orgn]")}`), document.createTextNode(" "),
      link("GeneCards", `https://www.genecards.org/cgi-bin/carddisp.pl?gene=${enc(g.name)}`),
    ]);
  }
  function sharingChart(r, v) {
    const subjects = [];
    v.patients.forEach((runs, i) => subjects.push({ name: data.patients[i], runs, threshold: v.patientThreshold, pool: "patient", shares: r.patients.includes(i) }));
    v.controls.forEach((runs, i) => subjects.push({ name: data.controls[i], runs, threshold: v.controlThreshold, pool: "control", shares: (r.controls || []).includes(i) }));
    const left = 110, width = 900, row = 16;
    const x = (bp) => left + ((bp - v.fromBp) / Math.max(1, v.toBp - v.fromBp)) * width;
    const s = svg("svg", { viewBox: `0 0 ${left + width + 20} ${row * subjects.length + 44}`, width: "100%", id: "sharing-chart", role: "img",
      "aria-label": `Sharing along region ${r.rank}: one row per subject, shaded where it shares an RCHH with others` });
    subjects.forEach((sub, i) => {
      const y = 4 + i * row;
      s.append(svg("text", { x: 2, y: y + 11 }, (sub.pool === "control" ? "control " : "") + sub.name + (sub.shares ? " ●" : "")));
      s.append(svg("rect", { class: "track-bg", x: left, y, width, height: row - 3 }));
      for (const [a, b, count] of sub.runs) {
        if (count <= 0) continue;
        const cls = count >= sub.threshold ? "cell-share" : "cell-some";
        s.append(tip(svg("rect", { class: cls, x: x(a), y, width: Math.max(1, x(b) - x(a)), height: row - 3 }),
          `${sub.name}: shares an RCHH with ${count} other subject(s), ${mb(a)}–${mb(b)} Mb`));
      }
    });
    const bottom = 4 + subjects.length * row;
    for (const bp of [r.firstBp, r.lastBp]) s.append(svg("line", { class: "region-edge", x1: x(bp), x2: x(bp), y1: 0, y2: bottom }));
    mbAxis(s, x, v.fromBp, v.toBp, bottom + 2, left, left + width, 8, `chr${r.chr} position (Mb)`);
    return el("div", { class: "chart" }, [s, legend([
      ["share-swatch", "shares an RCHH with enough others to belong to the region's group"],
      ["some-swatch", "shares with fewer"],
      ["edge-swatch", "the region's edges; ● shares throughout"],
    ])]);
  }
  // ---- genotype view: every sample's calls across the region, coloured
  // against the sharing patients' common homozygote at each SNP
  function genotypeView(r) {
    const g = r.genotypes;
    const snps = g.bp.length;
    const rows = [];
    const order = (list, sharing) => list.map((_, i) => i).sort((a, b) => (sharing.includes(b) - sharing.includes(a)) || a - b);
    for (const i of order(g.patients, r.patients)) rows.push({ name: data.patients[i], calls: g.patients[i], shares: r.patients.includes(i), pool: "patient" });
    for (const i of order(g.controls, r.controls || [])) rows.push({ name: data.controls[i], calls: g.controls[i], shares: (r.controls || []).includes(i), pool: "control" });
    // The common homozygote of the sharing patients at each SNP.
    const common = [];
    for (let k = 0; k < snps; k++) {
      let aa = 0, bb = 0;
      for (const i of r.patients) { const c = g.patients[i][k]; aa += c === "1"; bb += c === "2"; }
      common.push(aa >= bb ? (aa ? "1" : "0") : "2");
    }
    // Hundreds of samples shrink to thin rows (the chart stays within some
    // 1800 px); names are written only where a row can hold them.
    const left = 120, width = 900, cellH = rows.length > 150 ? Math.max(3, Math.floor(1800 / rows.length)) : 12;
    const named = cellH >= 9;
    const cellW = width / Math.max(1, snps);
    const gap = 8, height = rows.length * cellH + gap + 40;
    const s = svg("svg", { viewBox: `0 0 ${left + width + 10} ${height}`, width: "100%", id: "genotype-figure", role: "img",
      "aria-label": `Genotypes of ${rows.length} samples at ${snps} SNPs of region ${r.rank}: the sharing patients first` });
    let y = 0;
    rows.forEach((row, n) => {
      if (n > 0 && row.pool !== rows[n - 1].pool) y += gap;
      if (named) {
        s.append(svg("text", { x: 2, y: y + cellH - 2, class: row.shares ? "sharer" : "" }, (row.pool === "control" ? "control " : "") + row.name + (row.shares ? " ●" : "")));
      } else if (n === 0 || row.pool !== rows[n - 1].pool) {
        const count = rows.filter((x) => x.pool === row.pool).length, sharing = rows.filter((x) => x.pool === row.pool && x.shares).length;
        s.append(svg("text", { x: 2, y: y + 11, class: "sharer" }, `${count} ${row.pool}s`));
        s.append(svg("text", { x: 2, y: y + 24 }, `${sharing} sharing first`));
      }
      let k = 0;
      while (k < snps) {
        const cls = cellClass(row.calls[k], common[k]);
        let e = k + 1;
        while (e < snps && cellClass(row.calls[e], common[e]) === cls) e++;
        s.append(svg("rect", { class: cls, x: left + k * cellW, y, width: Math.max(0.5, (e - k) * cellW), height: cellH - 1 }));
        k = e;
      }
      y += cellH;
    });
    const from = g.bp[0], to = g.bp[snps - 1];
    const px = (bp) => left + ((bp - from) / Math.max(1, to - from)) * width;
    mbAxis(s, px, from, to, y + 2, left, left + width, 8, `chr${r.chr} position (Mb)` + (g.every > 1 ? `; one SNP in ${g.every} shown` : ""));
    return el("div", { class: "chart" }, [s, legend([
      ["gt-same", "homozygous for the sharing patients' allele"],
      ["gt-other", "homozygous for the other allele"],
      ["gt-het", "heterozygous"],
      ["gt-none", "no call"],
    ])]);
  }
  function cellClass(call, common) {
    if (call === "0") return "gt-none";
    if (call === "3") return "gt-het";
    return call === common || common === "0" ? "gt-same" : "gt-other";
  }

  function openRegion(rank) {
    const r = byRank.get(rank);
    if (!r) return;
    const section = document.getElementById("region-view");
    section.hidden = false;
    section.setAttribute("data-rank", String(rank));
    document.getElementById("region-title").textContent = `Region ${rank}: chr${r.chr}:${r.firstBp}-${r.lastBp}`;
    const body = document.getElementById("region-body");
    body.replaceChildren();
    const facts = [
      ["Position", `chr${r.chr}:${r.firstBp.toLocaleString("en")}–${r.lastBp.toLocaleString("en")} bp (${mb(r.firstBp)}–${mb(r.lastBp)} Mb, ${fixed((r.lastBp - r.firstBp) / 1e6, 3)} Mb)`],
      ["Genetic map", `${fixed(r.firstCm, 3)}–${fixed(r.lastCm, 3)} cM (${fixed(r.lastCm - r.firstCm, 3)} cM)`],
      ["SNPs", String(r.snps)],
      ["Discordant calls tolerated", data.strict ? "none (--strict)" : `${r.tolerated} opposite homozygotes between its sharing patients passed over as likely genotyping errors`],
      ["Patients sharing throughout", `${r.patients.length}: ${r.patients.map((i) => data.patients[i]).join(", ") || "none"}`],
      ["Controls sharing throughout", r.controls ? `${r.controls.length}: ${r.controls.map((i) => data.controls[i]).join(", ") || "none"}` : "NA (no controls)"],
      [data.withControls ? "−log10 p (best segment)" : "Highest fold level", data.withControls ? fixed(r.best, 6) : String(r.best)],
      ["Comparison", data.withControls ? comparisonText(r) : "NA (no controls)"],
      ["Adjusted p (genome-wide)", r.adjustedP === undefined ? "NA (run with --permutations N)" :
        data.withControls ? `${fixed(r.adjustedP, 4)}: ${r.nullReached} of ${data.permutations.count} relabellings reach −log10 p ${fixed(r.best, 3)} somewhere in the genome`
          : `${fixed(r.adjustedP, 4)}: ${r.nullReached} of ${data.permutations.count} null genomes hold a stretch of as many SNPs at fold level ${r.best} or above`],
    ];
    const dl = el("dl", { class: "facts" });
    for (const [k, v] of facts) dl.append(el("dt", { text: k }), el("dd", { text: v }));
    dl.append(el("dt", { text: "Genome browsers" }), el("dd", {}, browserLinks(r)));
    body.append(dl);
    const v = viewByRank.get(rank);
    body.append(el("h3", { text: "Sharing along the region (● shares throughout)" }));
    body.append(v ? sharingChart(r, v) : el("p", { class: "note", text: "No chart: only the best regions carry one." }));
    body.append(el("h3", { text: "Genotypes across the region (AA, AB, BB, no call)" }));
    body.append(r.genotypes ? genotypeView(r) : el("p", { class: "note", text: "No genotype view: only the ten best regions carry one." }));
    body.append(el("h3", { text: `Genes (${r.genes.length}) over the extent, chr${r.chr}:${mb(r.extent[0])}–${mb(r.extent[1])} Mb; the core, where every sharing patient shares, is ${mb(r.core[0])}–${mb(r.core[1])} Mb` }));
    body.append(r.genes.length ? el("ul", { class: "genes-list", id: "region-genes" }, r.genes.map(geneLinks))
                               : el("p", { class: "note", text: data.genesFile ? "No gene of the gene file overlaps the region." : "No gene file given (--genes)." }));
    for (const tr of document.querySelectorAll("#region-table tbody tr")) tr.classList.toggle("selected", tr.getAttribute("data-rank") === String(rank));
    if (location.hash !== `#region=${rank}`) history.replaceState(null, "", `#region=${rank}`);
    section.scrollIntoView();
  }

  // ---- pair view: cM conserved between every two patients
  function pairs() {
    const box = document.getElementById("pair-view");
    const n = data.patients.length;
    if (n < 2 || !data.pairs.length) { box.append(el("p", { text: "Fewer than two patients: no pairs." })); return; }
    const cm = Array.from({ length: n }, () => new Array(n).fill(null));
    const ratio = Array.from({ length: n }, () => new Array(n).fill(null));
    let top = 0;
    for (const [a, b, c, q] of data.pairs) { cm[a][b] = cm[b][a] = c; ratio[a][b] = ratio[b][a] = q; top = Math.max(top, c); }
    const values = data.pairs.map((p) => p[2]).sort((x, y) => x - y);
    const median = values[Math.floor(values.length / 2)];
    const mad = values.map((v) => Math.abs(v - median)).sort((x, y) => x - y)[Math.floor(values.length / 2)] || 1;
    const cell = Math.max(6, Math.min(28, Math.floor(700 / n))), left = 90;
    const s = svg("svg", { viewBox: `0 0 ${left + cell * n + 10} ${left + cell * n + 10}`, width: "100%", id: "pair-heatmap", role: "img",
      "aria-label": "cM conserved between every two patients, as a heat map", style: `max-width: ${Math.min(900, left + cell * n + 10)}px` });
    for (let i = 0; i < n; i++) {
      s.append(svg("text", { x: left - 4, y: left + i * cell + cell * 0.7, "text-anchor": "end" }, data.patients[i]));
      s.append(svg("text", { x: 0, y: 0, transform: `translate(${left + i * cell + cell * 0.7},${left - 4}) rotate(-60)` }, data.patients[i]));
      for (let k = 0; k < n; k++) {
        const v = cm[i][k];
        const shade = v === null ? "#ffffff" : `hsl(4, 70%, ${Math.round(97 - 60 * Math.sqrt(v / Math.max(top, 1e-9)))}%)`;
        const r = svg("rect", { x: left + k * cell, y: left + i * cell, width: cell - 1, height: cell - 1, fill: shade });
        if (v !== null) tip(r, `${data.patients[i]} × ${data.patients[k]}: ${v} cM conserved (ratio ${ratio[i][k]})`);
        s.append(r);
      }
    }
    box.append(s);
    const notable = [];
    for (const [a, b, c, q] of data.pairs) {
      if (q >= 0.9) notable.push([c, `${data.patients[a]} × ${data.patients[b]}: ${c} cM (ratio ${q}) — nearly the whole genome: a duplicate sample?`]);
      else if (c > median + 6 * mad && c > 1.5 * median) notable.push([c, `${data.patients[a]} × ${data.patients[b]}: ${c} cM (ratio ${q}) — far above the cohort's median of ${median} cM: close relatives?`]);
    }
    notable.sort((x, y) => y[0] - x[0]);
    box.append(el("p", { class: "note", text: `Colour: cM conserved between the two patients (white 0, darkest ${top} cM). Median over pairs ${median} cM.` }));
    box.append(notable.length ? el("ul", { id: "pair-notes" }, notable.map((x) => el("li", { text: x[1] })))
                              : el("p", { id: "pair-notes", text: "No pair stands out: no duplicate samples or close relatives are apparent." }));
  }

  // ---- queries
  function queries() {
    const box = document.getElementById("query-view");
    if (!data.queries.length) { box.append(el("p", { class: "note", text: "No query was asked (--query, runs without controls)." })); return; }
    for (const q of data.queries) {
      const div = el("div", { class: "query" });
      div.append(el("h3", { text: "Shared by all of " + q.names.join(", ") }));
      if (!q.segments.length) {
        div.append(el("p", { class: "nothing-shared", text: "Nothing shared: these patients have no RCHH in common at this cutoff." }));
      } else {
        const t = el("table", {}, [el("thead", {}, [el("tr", {}, ["Chr", "Start (Mb)", "End (Mb)"].map((h) => el("th", { text: h })))])]);
        const b = el("tbody");
        for (const sgm of q.segments) b.append(el("tr", {}, [String(sgm.chr), mb(sgm.firstBp), mb(sgm.lastBp)].map((c) => el("td", { text: c }))));
        t.append(b);
        div.append(t, el("p", { class: "note", text: "velmora's list: " + q.list }));
      }
      box.append(div);
    }
  }

  function fromHash() {
    const m = /^#region=(\d+)$/.exec(location.hash);
    if (m) openRegion(Number(m[1]));
  }

  try {
    header();
    genome();
    nullView();
    document.getElementById("region-filter").addEventListener("input", regionTable);
    regionTable();
    pairs();
    queries();
    window.addEventListener("hashchange", fromHash);
    fromHash();
  } catch (e) {
    recordError("error: " + (e && e.stack ? e.stack : e));
  }
  document.body.setAttribute("data-ready", errors.length ? "errors" : "yes");
})();
