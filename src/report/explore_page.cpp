#include "report/explore_page.h"

#include <cstdio>

#include "base/number_format.h"
#include "report/report_files.h"

namespace {

std::string g6(double v) {
  char buf[kG6Chars];
  return std::string(buf, formatG6(buf, v));
}

std::string ratio(long part, long whole) {
  if (!whole) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", (double)part / (double)whole);
  return buf;
}

// The page's script. It reads the JSON object of the element
// #trivanex-data; the table shows one page of rows at a time, so a run of
// tens of thousands of clusters costs one sort, not a table of that size.
const char* const kScript = R"JS(
(function () {
  "use strict";
  var D = JSON.parse(document.getElementById("trivanex-data").textContent);
  var PAGE = 100;
  var COLS = [
    ["cluster", "cluster", function (c, k) { return k + 1; }],
    ["size", "members", function (c) { return c[0].length; }],
    ["species", "species spanned", function (c) { return speciesCount(c); }],
    ["pairs", "aligned pairs", function (c) { return c[1]; }],
    ["mean", "mean match score of the aligned pairs", function (c) { return c[2]; }],
    ["min", "lowest match score of the aligned pairs", function (c) { return c[3]; }],
    ["seq", "share of the aligned pairs with a sequence hit", function (c) { return c[4]; }],
    ["inter", "interactions between two members", function (c) { return c[5]; }],
    ["cons", "conserved interactions of the members", function (c) { return c[6]; }],
    ["base", "share of the aligned pairs the baseline also clusters", function (c) { return c[7]; }],
    ["agrees", "the cluster against the baseline's", function (c) { return c[8]; }]
  ];
  var state = { sort: 0, desc: false, page: 0, order: null, chosen: -1, protein: -1 };
  var lower = null;

  function el(tag, attrs, text) {
    var e = document.createElement(tag);
    if (attrs) for (var k in attrs) e.setAttribute(k, attrs[k]);
    if (text !== undefined && text !== null) e.textContent = String(text);
    return e;
  }
  function svgEl(tag, attrs) {
    var e = document.createElementNS("http://www.w3.org/2000/svg", tag);
    for (var k in attrs) e.setAttribute(k, attrs[k]);
    return e;
  }
  function speciesCount(c) {
    var seen = {}, n = 0;
    c[0].forEach(function (p) { if (!seen[D.sp[p]]) { seen[D.sp[p]] = 1; ++n; } });
    return n;
  }
  function fmt(v) {
    if (v === null || v === undefined) return "";
    if (typeof v !== "number") return v;
    return Number.isInteger(v) ? String(v) : (Math.abs(v) >= 0.001 ? v.toFixed(4) : v.toExponential(3));
  }
  function label(p) { return D.names && D.names[p] ? D.names[p] + " (" + D.ids[p] + ")" : D.ids[p]; }

  // The clusters table.
  function ordered() {
    if (state.order) return state.order;
    var col = COLS[state.sort][2], keys = D.clusters.map(col), idx = D.clusters.map(function (c, k) { return k; });
    var sign = state.desc ? -1 : 1;
    idx.sort(function (a, b) {
      var x = keys[a], y = keys[b];
      if (x === null && y === null) return a - b;
      if (x === null) return 1;
      if (y === null) return -1;
      if (x < y) return -sign;
      if (x > y) return sign;
      return a - b;
    });
    state.order = idx;
    return idx;
  }
  function drawTable() {
    var head = document.getElementById("cluster-head"), body = document.getElementById("cluster-rows");
    head.textContent = "";
    COLS.forEach(function (c, k) {
      var th = el("th", { title: c[1], "data-col": c[0], "class": "sortable" },
                  c[0] + (k === state.sort ? (state.desc ? " \u25bc" : " \u25b2") : ""));
      th.addEventListener("click", function () {
        state.desc = state.sort === k ? !state.desc : k > 0;
        state.sort = k;
        state.order = null;
        state.page = 0;
        drawTable();
      });
      head.appendChild(th);
    });
    head.appendChild(el("th", null, "members"));
    var idx = ordered(), from = state.page * PAGE, to = Math.min(idx.length, from + PAGE);
    var rows = document.createDocumentFragment();
    for (var i = from; i < to; ++i) {
      var k = idx[i], c = D.clusters[k], tr = el("tr", { "data-cluster": k + 1 });
      COLS.forEach(function (col) { tr.appendChild(el("td", { "class": "n" }, fmt(col[2](c, k)))); });
      var names = c[0].slice(0, 6).map(label).join(", ") + (c[0].length > 6 ? ", \u2026" : "");
      tr.appendChild(el("td", { "class": "members" }, names));
      tr.addEventListener("click", showCluster.bind(null, k, -1));
      rows.appendChild(tr);
    }
    body.textContent = "";
    body.appendChild(rows);
    document.getElementById("cluster-page").textContent =
      idx.length ? "clusters " + (from + 1) + "\u2013" + to + " of " + idx.length : "no clusters";
    document.getElementById("prev-page").disabled = state.page === 0;
    document.getElementById("next-page").disabled = to >= idx.length;
  }

  // One cluster: its drawing, members and, for a chosen protein, its partners.
  function showCluster(k, protein) {
    state.chosen = k;
    state.protein = protein;
    var c = D.clusters[k], box = document.getElementById("cluster-detail");
    box.textContent = "";
    box.appendChild(el("h3", { id: "detail-title" }, "Cluster " + (k + 1)));
    box.appendChild(el("p", { "class": "note" },
      c[0].length + " members, " + speciesCount(c) + " species, " + c[1] + " aligned pairs" +
      (c[2] !== null ? ", mean match score " + fmt(c[2]) + ", lowest " + fmt(c[3]) : "") +
      ", interactions among members " + c[5] + ", conserved " + c[6] + ", baseline: " + c[8]));
    box.appendChild(drawing(c));
    var t = el("table", { id: "detail-members" });
    var hr = el("tr");
    ["protein", "name", "species", "description"].forEach(function (h) { hr.appendChild(el("th", null, h)); });
    t.appendChild(hr);
    c[0].forEach(function (p) {
      var tr = el("tr", p === protein ? { "class": "chosen" } : null);
      tr.appendChild(el("td", null, D.ids[p]));
      tr.appendChild(el("td", null, D.names ? D.names[p] : ""));
      tr.appendChild(el("td", null, D.species[D.sp[p]]));
      tr.appendChild(el("td", null, D.desc ? D.desc[p] : ""));
      t.appendChild(tr);
    });
    box.appendChild(t);
    if (protein >= 0) box.appendChild(partners(c, protein));
    box.scrollIntoView({ block: "nearest" });
  }
  function partners(c, protein) {
    var wrap = el("div", { id: "detail-partners" });
    wrap.appendChild(el("h4", null, "Aligned partners of " + label(protein)));
    var t = el("table"), hr = el("tr");
    ["partner", "name", "species", "match score", "sequence score", "rank here", "rank there"].forEach(function (h) {
      hr.appendChild(el("th", null, h));
    });
    t.appendChild(hr);
    var q = c[10], pos = c[0].indexOf(protein);
    for (var i = 0; i < q.length; i += 6) {
      var a = q[i], b = q[i + 1];
      if (a !== pos && b !== pos) continue;
      var other = c[0][a === pos ? b : a], tr = el("tr");
      tr.appendChild(el("td", null, D.ids[other]));
      tr.appendChild(el("td", null, D.names ? D.names[other] : ""));
      tr.appendChild(el("td", null, D.species[D.sp[other]]));
      tr.appendChild(el("td", { "class": "n" }, fmt(q[i + 2])));
      tr.appendChild(el("td", { "class": "n" }, q[i + 3] ? fmt(q[i + 3]) : "no hit"));
      tr.appendChild(el("td", { "class": "n" }, (a === pos ? q[i + 4] : q[i + 5]) || ""));
      tr.appendChild(el("td", { "class": "n" }, (a === pos ? q[i + 5] : q[i + 4]) || ""));
      t.appendChild(tr);
    }
    wrap.appendChild(t);
    wrap.appendChild(el("p", { "class": "note" }, "Rank here: where the partner stands among this protein's " +
      "sequence hits in the partner's species (1: its best); rank there: the other way round."));
    return wrap;
  }
  // Members on a circle, species by species, with the interactions among them.
  function drawing(c) {
    var n = c[0].length, size = Math.max(260, Math.min(560, 120 + 18 * n)), r = size / 2 - 70;
    var members = c[0].map(function (p, i) { return i; });
    members.sort(function (a, b) { return D.sp[c[0][a]] - D.sp[c[0][b]] || a - b; });
    var at = [];
    members.forEach(function (i, k) {
      var angle = 2 * Math.PI * k / n - Math.PI / 2;
      at[i] = [size / 2 + r * Math.cos(angle), size / 2 + r * Math.sin(angle), Math.cos(angle)];
    });
    var svg = svgEl("svg", { width: size, height: size, viewBox: "0 0 " + size + " " + size, id: "detail-drawing",
                             role: "img" });
    var links = c[9];
    for (var i = 0; i < links.length; i += 2) {
      var p = at[links[i]], q = at[links[i + 1]];
      svg.appendChild(svgEl("line", { x1: p[0], y1: p[1], x2: q[0], y2: q[1], stroke: "#555", "stroke-width": 1.5,
                                      "class": "interaction" }));
    }
    c[0].forEach(function (prot, i) {
      var p = at[i], g = svgEl("g", { "class": "member" });
      var dot = svgEl("circle", { cx: p[0], cy: p[1], r: 8, fill: D.colors[D.sp[prot] % D.colors.length],
                                   stroke: prot === state.protein ? "#000" : "#fff", "stroke-width": 2 });
      var tip = svgEl("title", {});
      tip.textContent = label(prot) + " \u00b7 " + D.species[D.sp[prot]];
      dot.appendChild(tip);
      g.appendChild(dot);
      var text = svgEl("text", { x: p[0] + (p[2] >= 0 ? 11 : -11), y: p[1] + 4, "class": "ax",
                                 "text-anchor": p[2] >= 0 ? "start" : "end" });
      text.textContent = D.names && D.names[prot] ? D.names[prot] : D.ids[prot];
      g.appendChild(text);
      svg.appendChild(g);
    });
    var fig = el("figure"), legend = el("div", { "class": "legend" });
    fig.appendChild(svg);
    var shown = {};
    c[0].forEach(function (p) { shown[D.sp[p]] = 1; });
    D.species.forEach(function (name, s) {
      if (!shown[s]) return;
      var item = el("span");
      item.appendChild(el("span", { "class": "swatch", style: "background:" + D.colors[s % D.colors.length] }));
      item.appendChild(document.createTextNode(name));
      legend.appendChild(item);
    });
    fig.appendChild(legend);
    fig.appendChild(el("figcaption", { "class": "note" },
      links.length ? "Lines: interactions of the input networks between two members." :
                     "No interaction of the input networks joins two members."));
    return fig;
  }

  // The search box: an identifier or a name, whole or in part.
  function search(text) {
    var out = document.getElementById("search-hits");
    out.textContent = "";
    var q = text.trim().toLowerCase();
    if (!q) return;
    if (!lower) lower = D.ids.map(function (id, p) {
      return [id.toLowerCase(), D.names && D.names[p] ? D.names[p].toLowerCase() : ""];
    });
    // Whole matches of the identifier or the name come alone; parts of
    // them only when nothing matches whole.
    var exact = -1, whole = [], part = [];
    for (var p = 0; p < lower.length; ++p) {
      var l = lower[p];
      if (l[0] === q || l[1] === q) {
        if (exact < 0 || (D.cl[exact] < 0 && D.cl[p] >= 0)) exact = p;
        whole.push(p);
      } else if (part.length < 20 && (l[0].indexOf(q) >= 0 || (l[1] && l[1].indexOf(q) >= 0))) {
        part.push(p);
      }
    }
    var hits = whole.length ? whole : part;
    if (!hits.length) {
      out.appendChild(el("li", null, "No protein matches \u201c" + text.trim() + "\u201d."));
      return;
    }
    hits.slice(0, 20).forEach(function (p) {
      var li = el("li"), b = el("button", { type: "button", "data-protein": D.ids[p] }, label(p));
      li.appendChild(b);
      li.appendChild(document.createTextNode(" \u00b7 " + D.species[D.sp[p]] + " \u00b7 " +
        (D.cl[p] >= 0 ? "cluster " + (D.cl[p] + 1) : "in no cluster") +
        (D.desc && D.desc[p] ? " \u00b7 " + D.desc[p] : "")));
      if (D.cl[p] >= 0) b.addEventListener("click", showCluster.bind(null, D.cl[p], p));
      else b.disabled = true;
      out.appendChild(li);
    });
    if (exact >= 0 && D.cl[exact] >= 0) showCluster(D.cl[exact], exact);
  }

  var box = document.getElementById("search"), timer = null;
  box.addEventListener("input", function () {
    clearTimeout(timer);
    timer = setTimeout(function () {
      search(box.value);
      // Marks the answer as complete, for whoever waits on it.
      document.getElementById("search-hits").setAttribute("data-query", box.value);
    }, 120);
  });
  document.getElementById("prev-page").addEventListener("click", function () { --state.page; drawTable(); });
  document.getElementById("next-page").addEventListener("click", function () { ++state.page; drawTable(); });
  drawTable();
  document.getElementById("explore").setAttribute("data-ready", "1");
})();
)JS";

}  // namespace

std::string jsonString(const std::string& text) {
  std::string t = "\"";
  for (char ch : text) {
    const unsigned char c = (unsigned char)ch;
    if (c == '"') t += "\\\"";
    else if (c == '\\') t += "\\\\";
    else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      t += buf;
    } else {
      t += ch;
    }
  }
  return t + "\"";
}

std::string exploreSection(const AlignmentReport& r) {
  static const char* const kColors[] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
                                        "#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#bab0ac"};
  const size_t N = r.idList.size();
  std::string d = "{\"species\":[";
  for (size_t s = 0; s < r.index.speciesNames.size(); ++s) d += (s ? "," : "") + jsonString(r.index.speciesNames[s]);
  d += "],\"colors\":[";
  for (int k = 0; k < 10; ++k) d += std::string(k ? "," : "") + "\"" + kColors[k] + "\"";
  d += "],\n\"ids\":[";
  for (size_t p = 0; p < N; ++p) d += (p ? "," : "") + jsonString(r.idList[p]);
  d += "],\n\"sp\":[";
  for (size_t p = 0; p < N; ++p) d += (p ? "," : "") + std::to_string(r.index.speciesOf[p]);
  d += "],\n\"cl\":[";
  for (size_t p = 0; p < N; ++p) d += (p ? "," : "") + std::to_string(r.clusterOf[p]);
  d += "]";
  if (r.haveNames) {
    d += ",\n\"names\":[";
    for (size_t p = 0; p < N; ++p) d += (p ? "," : "") + jsonString(r.names[p]);
    d += "],\n\"desc\":[";
    for (size_t p = 0; p < N; ++p) d += (p ? "," : "") + jsonString(r.descriptions[p]);
    d += "]";
  }
  // Per cluster: members, pairs, mean, min, sequence-hit share, interactions,
  // conserved, baseline share, agreement, member links (i, j), aligned pairs
  // (i, j, match score, sequence score, rank1, rank2) most confident first.
  const size_t C = r.clusters.size();
  std::vector<std::string> pairText(C);
  VecInt position(N, -1);
  for (const VecInt& c : r.clusters)
    for (size_t i = 0; i < c.size(); ++i) position[c[i]] = (int)i;
  for (const AlignedPair& p : r.pairs) {
    std::string& t = pairText[p.cluster];
    t += (t.empty() ? "" : ",") + std::to_string(position[p.a]) + "," + std::to_string(position[p.b]) + "," +
         (r.haveScores ? g6(p.score) : std::string("null")) + "," + g6(p.sequence) + "," + std::to_string(p.rank1) +
         "," + std::to_string(p.rank2);
  }
  d += ",\n\"clusters\":[\n";
  for (size_t c = 0; c < C; ++c) {
    const ClusterMeasures& m = r.measures[c];
    d += c ? ",\n[[" : "[[";
    for (size_t i = 0; i < r.clusters[c].size(); ++i) d += (i ? "," : "") + std::to_string(r.clusters[c][i]);
    d += "]," + std::to_string(m.pairs) + "," + (r.haveScores && m.pairs ? g6(m.meanScore) : "null") + "," +
         (r.haveScores && m.pairs ? g6(m.minScore) : "null") + "," + ratio(m.sequenceHits, m.pairs) + "," +
         std::to_string(m.interactions) + "," + std::to_string(m.conserved) + "," + ratio(m.baselinePairs, m.pairs) +
         ",\"" + baselineAgreement(m) + "\",[";
    const VecInt& links = r.memberInteractions[c];
    for (size_t i = 0; i < links.size(); ++i) d += (i ? "," : "") + std::to_string(links[i]);
    d += "],[" + pairText[c] + "]]";
  }
  d += "]}";

  std::string h =
      "<h2 id=\"explore-title\">Explore the clusters</h2>\n<div id=\"explore\">\n"
      "<p><label for=\"search\">Find a protein by identifier or name: </label>"
      "<input type=\"search\" id=\"search\" placeholder=\"identifier or gene name\" autocomplete=\"off\" "
      "size=\"32\"></p>\n<ul id=\"search-hits\"></ul>\n<div id=\"cluster-detail\"></div>\n"
      "<p class=\"note\">Every cluster; click a column to sort by it (again to reverse), a row to see the cluster. "
      "Mean and lowest match score over the cluster's aligned pairs (cross-species member pairs; a pair without "
      "a score counts as 0); seq: the share of them with a sequence hit; inter: interactions between two members; "
      "cons: interactions of members whose two clusters are joined in two or more species; base: the share of "
      "aligned pairs the sequence-only baseline also puts together, and agrees: same (the baseline has this very "
      "cluster), within, partly or none.</p>\n"
      "<p><button type=\"button\" id=\"prev-page\">previous</button> <span id=\"cluster-page\"></span> "
      "<button type=\"button\" id=\"next-page\">next</button></p>\n"
      "<table id=\"clusters\">\n<thead><tr id=\"cluster-head\"></tr></thead>\n<tbody id=\"cluster-rows\"></tbody>\n"
      "</table>\n<noscript><p class=\"note\">The table and the search need JavaScript; clusters.tsv and pairs.tsv "
      "hold the same figures.</p></noscript>\n</div>\n";
  h += "<script type=\"application/json\" id=\"trivanex-data\">" + d + "</script>\n<script>" + kScript +
       "</script>\n";
  return h;
}
