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
    h.append(el("p", { class: "verdict", id: "verdict", text: data.verdict }));
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
    h.append(dl);
    if (data.warnings.length) {
      h.append(el("h2", { text: "Warnings" }));
      h.append(el("ul", { class: "warnings", id: "warnings" }, data.warnings.map((w) => el("li", { text: w }))));
    }
  }

  // ---- genome-wide view: one track per chromosome, regions outlined
  function genome() {
    const box = document.getElementById("genome");
    const longest = Math.max(1, ...data.genome.map((c) => c.lastBp));
    const left = 40, width = 1000, row = 22, trackH = 16;
    const top = Math.max(data.highest, 1e-9);
    const s = svg("svg", { viewBox: `0 0 ${left + width + 10} ${row * data.genome.length + 20}`, width: "100%", role: "img" });
    s.append(svg("desc", {}, "Each row is a chromosome; bar height is " + valueName + "; red outlines are candidate regions."));
    data.genome.forEach((c, i) => {
      const y = 10 + i * row;
      const x = (bp) => left + (bp / longest) * width;
      s.append(svg("text", { x: 4, y: y + trackH - 3 }, "chr" + c.chr));
      s.append(svg("rect", { class: "track-bg", x: x(c.firstBp), y, width: Math.max(1, x(c.lastBp) - x(c.firstBp)), height: trackH }));
      for (const [a, b, v] of c.bars) {
        const h = Math.max(1, (v / top) * trackH);
        s.append(tip(svg("rect", { class: "bar", x: x(a), y: y + trackH - h, width: Math.max(0.8, x(b) - x(a)), height: h }),
          `chr${c.chr}:${mb(a)}–${mb(b)} Mb, ${valueName} ${v}`));
      }
      for (const r of data.regions.filter((r) => r.chr === c.chr)) {
        const mark = tip(svg("rect", { class: "region-mark", x: x(r.firstBp) - 1, y: y - 1, width: Math.max(3, x(r.lastBp) - x(r.firstBp) + 2), height: trackH + 2, "data-rank": r.rank }),
          `Region ${r.rank}: chr${r.chr}:${mb(r.firstBp)}–${mb(r.lastBp)} Mb, ${fixed(r.lastCm - r.firstCm, 2)} cM, ${r.patients.length} patients sharing`);
        mark.addEventListener("click", () => openRegion(r.rank));
        s.append(mark);
      }
    });
    box.append(s);
    box.append(el("p", { class: "note", text: `Bars: ${valueName} along each chromosome (highest ${data.highest}). Click a red outline to open its region.` }));
  }

  // ---- null distribution of the genome-wide largest -log10 p
  function comparisonName(r) { return data.withControls ? (r.comparison === 1 ? "representative" : "pools") : "NA"; }
  function comparisonText(r) {
    return r.comparison === 1 ? "every subject against the representative HH of the patients"
                              : "patients' against controls' fold-overlap levels";
  }
  function adjustedCount(r) { return r.nullReached; }
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
    const top = Math.max(1e-9, perm.observed, ...values, ...best.map((r) => r.best));
    const bins = 30, counts = new Array(bins).fill(0);
    for (const v of values) counts[Math.min(bins - 1, Math.floor((v / top) * bins))]++;
    const most = Math.max(1, ...counts);
    const w = 320, h = 180, left = 30, base = h - 25;
    const x = (v) => left + (v / top) * (w - left - 10);
    const s = svg("svg", { viewBox: `0 0 ${w} ${h}`, width: "100%", role: "img", id: "null-figure" });
    s.append(svg("desc", {}, `Histogram of the genome-wide largest −log10 p in ${perm.count} relabellings.`));
    counts.forEach((c, i) => {
      const bh = (c / most) * (base - 10);
      s.append(tip(svg("rect", { class: "null-bar", x: x((i * top) / bins), y: base - bh, width: Math.max(0.5, x(top / bins) - left - 0.5), height: bh }),
        `${c} relabellings with largest −log10 p ${fixed((i * top) / bins, 2)}–${fixed(((i + 1) * top) / bins, 2)}`));
    });
    const sorted = values.slice().sort((a, b) => a - b);
    const cut = sorted[Math.min(sorted.length - 1, Math.floor(0.95 * sorted.length))];
    s.append(tip(svg("line", { class: "null-cut", x1: x(cut), x2: x(cut), y1: 5, y2: base }), `95% of relabellings stay below ${fixed(cut, 3)}`));
    for (const r of best) {
      s.append(tip(svg("line", { class: "null-region", x1: x(r.best), x2: x(r.best), y1: 5, y2: base }),
        `Region ${r.rank}: −log10 p ${fixed(r.best, 3)}, adjusted p ${fixed(r.adjustedP, 4)}`));
    }
    s.append(svg("line", { x1: left, x2: w - 10, y1: base, y2: base, stroke: "#1b1f24" }));
    for (let t = 0; t <= 4; t++) s.append(svg("text", { x: x((t * top) / 4) - 6, y: base + 14 }, fixed((t * top) / 4, 1)));
    s.append(svg("text", { x: left, y: h - 1 }, "largest −log10 p of the genome"));
    box.append(el("h3", { text: "By chance" }));
    box.append(s);
    box.append(el("p", { class: "note", id: "null-note", text: `Grey: the genome-wide largest −log10 p of each of ${perm.count} relabellings of patients and controls (seed ${perm.seed}); ` +
      `orange: 95% stay below ${fixed(cut, 3)}; red: the five best regions. A region's adjusted p is the share of relabellings that reach its value.` }));
  }

  // ---- region table, sortable and filterable
  const columns = [
    ["rank", "Rank", (r) => r.rank, true],
    ["chr", "Chr", (r) => r.chr, true],
    ["start", "Start (Mb)", (r) => r.firstBp, true, (r) => mb(r.firstBp)],
    ["end", "End (Mb)", (r) => r.lastBp, true, (r) => mb(r.lastBp)],
    ["cm", "Length (cM)", (r) => r.lastCm - r.firstCm, true, (r) => fixed(r.lastCm - r.firstCm, 2)],
    ["snps", "SNPs", (r) => r.snps, true],
    ["np", "Patients sharing", (r) => r.patients.length, true],
    ["pat", "Patients", (r) => r.patients.map((i) => data.patients[i]).join(", "), false],
    ["nc", "Controls sharing", (r) => (r.controls ? r.controls.length : -1), true, (r) => (r.controls ? String(r.controls.length) : "NA")],
    ["p", "−log10 p", (r) => (data.withControls ? r.best : -1), true, (r) => (data.withControls ? fixed(r.best, 3) : "NA")],
    ["cmp", "Comparison", (r) => comparisonName(r), false],
    ["adj", "Adjusted p", (r) => (r.adjustedP === undefined ? 2 : r.adjustedP), true, (r) => (r.adjustedP === undefined ? "NA" : fixed(r.adjustedP, 4))],
    ["genes", "Genes", (r) => r.genes.map((g) => g.name).join(", "), false],
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
      const tr = el("tr", { "data-rank": r.rank });
      for (const [key, , value, numeric, show] of columns) {
        const text = show ? show(r) : String(value(r));
        tr.append(el("td", { class: (numeric ? "num" : "") + (key === "genes" ? " genes" : ""), text }));
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
    const s = svg("svg", { viewBox: `0 0 ${left + width + 10} ${row * subjects.length + 40}`, width: "100%", id: "sharing-chart", role: "img" });
    s.append(svg("desc", {}, "Rows: subjects; dark: sharing an RCHH with enough others to belong to the region's group; light: sharing with fewer; dashed lines: the region."));
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
    s.append(svg("text", { x: left, y: bottom + 14 }, mb(v.fromBp) + " Mb"));
    s.append(svg("text", { x: left + width, y: bottom + 14, "text-anchor": "end" }, mb(v.toBp) + " Mb"));
    return s;
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
        data.withControls ? `${fixed(r.adjustedP, 4)}: ${adjustedCount(r)} of ${data.permutations.count} relabellings reach −log10 p ${fixed(r.best, 3)} somewhere in the genome`
          : `${fixed(r.adjustedP, 4)}: ${adjustedCount(r)} of ${data.permutations.count} null genomes hold a stretch of as many SNPs at fold level ${r.best} or above`],
    ];
    const dl = el("dl", { class: "facts" });
    for (const [k, v] of facts) dl.append(el("dt", { text: k }), el("dd", { text: v }));
    dl.append(el("dt", { text: "Genome browsers" }), el("dd", {}, browserLinks(r)));
    body.append(dl);
    const v = viewByRank.get(rank);
    body.append(el("h3", { text: "Sharing along the region (● shares throughout)" }));
    body.append(v ? sharingChart(r, v) : el("p", { class: "note", text: "No chart: only the best regions carry one." }));
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
    const s = svg("svg", { viewBox: `0 0 ${left + cell * n + 10} ${left + cell * n + 10}`, width: Math.min(900, left + cell * n + 10), id: "pair-heatmap", role: "img" });
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
