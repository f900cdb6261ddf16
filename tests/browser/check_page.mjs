// Opens a velmora-report page in Debian's chromium, headless, and prints what
// a reader would see as one JSON object: the answer sentence, the region
// table's rows and their heights at 1400 px, the genotype view of region 1,
// whether the page scrolls sideways at 800 px, every plot's accessible name,
// console errors, and any request that would leave the page.
// Usage: node check_page.mjs REPORT.html
import puppeteer from "puppeteer-core";
import { pathToFileURL } from "node:url";

const page_path = process.argv[2];
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  headless: true,
  args: ["--no-sandbox", "--disable-gpu"],
});
const facts = { consoleErrors: [], leavingRequests: [] };
try {
  const page = await browser.newPage();
  page.on("console", (m) => { if (m.type() === "error") facts.consoleErrors.push(m.text()); });
  page.on("pageerror", (e) => facts.consoleErrors.push(String(e)));
  await page.setRequestInterception(true);
  page.on("request", (r) => {
    const url = r.url();
    if (!/^(file|data|about|blob):/.test(url)) { facts.leavingRequests.push(url); r.abort(); } else r.continue();
  });

  await page.setViewport({ width: 1400, height: 900 });
  await page.goto(pathToFileURL(page_path).href, { waitUntil: "load" });
  await page.waitForSelector("body[data-ready]");
  Object.assign(facts, await page.evaluate(() => {
    const rows = [...document.querySelectorAll("#region-table tbody tr")];
    const wrap = document.querySelector(".table-wrap");
    const data = JSON.parse(document.getElementById("report-data").textContent);
    return {
      ready: document.body.getAttribute("data-ready"),
      answer: document.getElementById("verdict").textContent,
      regions: data.regions.length,
      rows: rows.length,
      tallestRow: Math.max(0, ...rows.map((r) => r.getBoundingClientRect().height)),
      tableFits: wrap.scrollWidth <= wrap.clientWidth,
      significantRows: rows.filter((r) => r.classList.contains("significant")).length,
      genomeCaption: document.getElementById("genome-note").textContent,
      topRegionBest: data.regions.length ? data.regions[0].best : null,
      highest: data.highest,
    };
  }));
  await page.evaluate(() => { location.hash = "#region=1"; });
  await page.waitForFunction(() => document.getElementById("region-view").getAttribute("data-rank") === "1" || !document.querySelector("#region-table tbody tr"), { timeout: 5000 });
  Object.assign(facts, await page.evaluate(() => {
    const g = document.getElementById("genotype-figure");
    const plots = [...document.querySelectorAll("svg[role=img]")];
    return {
      genotypeLabel: g ? g.getAttribute("aria-label") : null,
      genotypeCells: g ? g.querySelectorAll("rect").length : 0,
      plotsWithoutLabel: plots.filter((s) => !s.getAttribute("aria-label")).map((s) => s.id || s.outerHTML.slice(0, 60)),
      plots: plots.length,
    };
  }));
  await page.setViewport({ width: 800, height: 900 });
  await new Promise((r) => setTimeout(r, 200));
  facts.sidewaysAt800 = await page.evaluate(() => document.documentElement.scrollWidth > window.innerWidth);
} finally {
  await browser.close();
}
console.log(JSON.stringify(facts));
