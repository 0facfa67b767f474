// The page of `mentrenq serve`: reads /api/v1/tree, /api/v1/contention and
// /api/v1/status and shows them; on a server with a history, also a
// timeline of the history's samples, and the view at a moment of it
// (?at=TIME). Every text from the server goes into the page as text, never
// as markup.
"use strict";

const state = {
  timer: null, rows: [], sortKey: "maxwaittm", sortDescending: true,
  at: null,          // the time shown from the history; null: live
  hasHistory: null,  // unknown until the server says
  timeline: null,    // the last /api/v1/history/samples document
  cursor: -1,        // the point the keyboard or the pointer is on
  shownSample: null, // the time of the sample shown, when it comes from the history
};

function element(tag, attributes, ...children) {
  const e = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes || {})) {
    if (name === "text") e.textContent = value;
    else e.setAttribute(name, value);
  }
  for (const child of children) if (child !== null && child !== undefined) e.append(child);
  return e;
}

function plural(n, word) { return n + " " + word + (n === 1 ? "" : "s"); }

// Fetches a document; a failed view still answers with its JSON (503).
async function fetchDocument(path) {
  let response;
  try {
    response = await fetch(path, { cache: "no-store" });
  } catch (e) {
    return { failed: true, error: "cannot reach the server (" + e.message + ")" };
  }
  let body = null;
  try { body = await response.json(); } catch (e) { body = null; }
  if (!body) return { failed: true, status: response.status, error: "the server answered " + response.status + " without a document" };
  if (!response.ok) return { failed: true, status: response.status, error: body.error || ("status " + response.status), body };
  return { failed: false, status: response.status, body };
}

function timeText(iso) { return iso.replace("T", " ").replace("Z", " UTC"); }

function showStatus(tree) {
  const badge = document.getElementById("view-status");
  const failure = document.getElementById("failure");
  const body = tree.body;
  if (tree.failed && state.at && !(body && body.view)) {
    badge.className = "badge failed";
    badge.textContent = "nothing to show";
    failure.hidden = false;
    failure.textContent = "Nothing is known at " + timeText(state.at) + ": " + tree.error;
  } else if (tree.failed) {
    badge.className = "badge failed";
    badge.textContent = body && body.view && body.view.status ? "view failed: status " + body.view.status : "view failed";
    failure.hidden = false;
    failure.textContent = "The view failed, so what it shows is not known: " + tree.error;
  } else if (!body.view.complete) {
    badge.className = "badge partial";
    badge.textContent = "incomplete: some resources' tasks could not be read";
    failure.hidden = true;
  } else {
    badge.className = "badge ok";
    badge.textContent = "view ended normally (status " + body.view.status + ")";
    failure.hidden = true;
  }
  if (body && body.snapshot) {
    const time = document.getElementById("snapshot-time");
    time.textContent = body.snapshot.time.replace("T", " ").replace("Z", " UTC");
    time.setAttribute("datetime", body.snapshot.time);
    const source = { capture: "captured", file: "file written", read: "read" }[body.snapshot.time_source] || "";
    document.getElementById("snapshot-source").textContent = "(" + source + ", " + body.snapshot.source +
      (body.history ? ", from the history " + body.history.source : "") + ")";
  }
  const past = document.getElementById("past");
  past.hidden = !state.at;
  if (state.at) {
    document.getElementById("past-text").textContent = body && body.history
      ? "The past: the history's sample of " + timeText(body.history.sample_time) + " (the one in force at " +
        timeText(body.history.at) + "), not the live snapshot."
      : "The past at " + timeText(state.at) + ", not the live snapshot.";
  }
  const now = new Date();
  const updated = document.getElementById("updated");
  updated.textContent = now.toLocaleTimeString();
  updated.setAttribute("datetime", now.toISOString());
}

function taskItem(task, owner) {
  const where = task.job + " on " + task.sysname + " ASID X'" + task.asid.toString(16).toUpperCase().padStart(4, "0") + "'" +
    " " + task.type;
  if (owner)
    return element("li", { class: "owner" }, element("span", { class: "role", text: "owner" }), where,
      task.trueowner ? element("strong", { text: "  true owner" }) : null);
  return element("li", { class: "waiter" }, element("span", { class: "role", text: "waiter" }), where,
    element("span", { class: task.waittime >= 300 ? "wait-long" : "", text: "  waiting " + task.waittime + " s" }));
}

function renderTree(tree) {
  const place = document.getElementById("tree");
  place.replaceChildren();
  if (tree.failed) {
    place.append(element("p", { class: "unavailable", text: "Not known: the view failed." }));
    return;
  }
  const enqplexes = tree.body.tree;
  const notSeen = tree.body.view.not_seen || [];
  for (const statement of notSeen) place.append(element("p", { class: "unavailable", text: "Not seen: " + statement }));
  if (enqplexes.length === 0) {
    place.append(element("p", { text: notSeen.length === 0 ? "No contention." : "No contention among the Systems that were read." }));
    return;
  }
  for (const e of enqplexes) {
    const box = element("div", { class: "enqplex" }, element("h3", { text: "Enqplex " + e.enqplex }));
    for (const r of e.resources) {
      const summary = element("summary", {},
        element("span", { class: "resname", text: r.majorname + " " + r.minorname }),
        element("span", { class: "figures" }, plural(r.owntaskct, "owner") + ", " + plural(r.waittaskct, "waiter") +
          ", longest wait ", element("span", { class: r.maxwaittm >= 300 ? "wait-long" : "", text: r.maxwaittm + " s" })));
      const details = element("details", { class: "resource", open: "" }, summary);
      if (r.unavailable) details.append(element("p", { class: "unavailable", text: "Tasks not available: " + r.unavailable }));
      const list = element("ul", { class: "tasks" });
      for (const t of r.owners) list.append(taskItem(t, true));
      for (const t of r.waiters) list.append(taskItem(t, false));
      details.append(list);
      box.append(details);
    }
    place.append(box);
  }
}

function renderSummary() {
  const body = document.querySelector("#summary tbody");
  body.replaceChildren();
  const key = state.sortKey;
  const rows = state.rows.slice().sort((a, b) => {
    const x = a[key], y = b[key];
    const order = typeof x === "number" ? x - y : String(x).localeCompare(String(y));
    return state.sortDescending ? -order : order;
  });
  for (const r of rows) {
    body.append(element("tr", {},
      element("td", { text: r.enqplex }), element("td", { text: r.majorname }),
      element("td", { class: "minor", text: r.minorname }),
      element("td", { class: "number", text: String(r.owntaskct) }),
      element("td", { class: "number", text: String(r.waittaskct) }),
      element("td", { class: "number", text: String(r.maxwaittm) })));
  }
  for (const th of document.querySelectorAll("#summary th")) {
    if (th.dataset.key === key) th.setAttribute("aria-sort", state.sortDescending ? "descending" : "ascending");
    else th.removeAttribute("aria-sort");
  }
}

function renderContention(contention) {
  const note = document.getElementById("summary-note");
  if (contention.failed) {
    state.rows = [];
    note.textContent = "Not known: the view failed (" + contention.error + ").";
    note.className = "unavailable";
  } else {
    state.rows = contention.body.rows;
    const whole = (contention.body.view.not_seen || []).length === 0;
    note.textContent = state.rows.length > 0 ? plural(state.rows.length, "resource") + " contended."
      : whole ? "No contention." : "No contention among the Systems that were read.";
    note.className = "muted";
  }
  renderSummary();
}

function renderSystems(status) {
  const place = document.getElementById("systems");
  place.replaceChildren();
  if (status.failed) {
    place.append(element("p", { class: "unavailable", text: "Not known: the view failed." }));
    return;
  }
  const grid = element("div", { class: "systems" });
  for (const e of status.body.enqplexes) {
    const table = element("table", {},
      element("caption", { text: "Enqplex " + e.name + ": " + plural(e.contended_resources, "contended resource") +
        ", longest wait " + e.longest_wait_seconds + " s" +
        (e.incomplete_resources ? ", " + e.incomplete_resources + " incomplete" : "") }),
      element("thead", {}, element("tr", {},
        element("th", { scope: "col", text: "System" }), element("th", { scope: "col", text: "Sysplex" }),
        element("th", { scope: "col", text: "Status" }), element("th", { scope: "col", class: "number", text: "Waiting" }),
        element("th", { scope: "col", class: "number", text: "Owning" }))));
    const rows = element("tbody");
    for (const s of e.systems)
      rows.append(element("tr", {}, element("td", { text: s.name }), element("td", { text: s.sysplex }),
        element("td", { text: s.status }), element("td", { class: "number", text: String(s.waiting_tasks) }),
        element("td", { class: "number", text: String(s.owning_tasks) })));
    table.append(rows);
    grid.append(element("div", { class: "enqplex" }, table));
  }
  place.append(grid);
}

// The history keeps the view's rows, not the Systems' status.
function renderSystemsPast() {
  const place = document.getElementById("systems");
  place.replaceChildren(element("p", { class: "muted",
    text: "The history does not keep the Systems' status; go back to live to see it." }));
}

// --- The timeline ---------------------------------------------------------

const svgSpace = "http://www.w3.org/2000/svg";

function svgElement(tag, attributes, ...children) {
  const e = document.createElementNS(svgSpace, tag);
  for (const [name, value] of Object.entries(attributes || {})) {
    if (name === "text") e.textContent = value;
    else e.setAttribute(name, String(value));
  }
  for (const child of children) if (child) e.append(child);
  return e;
}

// Geometry of the drawing: two charts over one time axis.
function layout(width) {
  const left = 52, right = 14;
  return {
    width, left, plotWidth: width - left - right,
    charts: [
      { key: "waiting_tasks", cls: "waiting", title: "Waiting tasks", top: 22, height: 70 },
      { key: "contended_resources", cls: "resources", title: "Contended resources", top: 120, height: 70 },
    ],
    failedY: 196, axisY: 214, height: 232,
  };
}

function xOf(geometry, since, until, time) {
  if (until <= since) return geometry.left + geometry.plotWidth / 2;
  return geometry.left + (time - since) / (until - since) * geometry.plotWidth;
}

function shortTime(ms, span) {
  const iso = new Date(ms).toISOString();
  if (span > 2 * 86400000) return iso.slice(5, 10) + " " + iso.slice(11, 16);
  return span > 600000 ? iso.slice(11, 16) : iso.slice(11, 19);
}

function drawChart(svg, geometry, chart, points, xs) {
  let top = 0;
  for (const p of points) if (p[chart.key] !== null) top = Math.max(top, p[chart.key]);
  const scale = top > 0 ? top : 1;
  const yOf = v => chart.top + chart.height - v / scale * chart.height;
  svg.append(svgElement("text", { x: geometry.left, y: chart.top - 6, class: "chart-title", text: chart.title }));
  svg.append(svgElement("line", { x1: geometry.left, x2: geometry.left + geometry.plotWidth,
    y1: chart.top + chart.height, y2: chart.top + chart.height, class: "axis" }));
  svg.append(svgElement("text", { x: geometry.left - 6, y: chart.top + 4, "text-anchor": "end", text: String(top) }));
  svg.append(svgElement("text", { x: geometry.left - 6, y: chart.top + chart.height + 4, "text-anchor": "end", text: "0" }));
  // A failed sample breaks the line: nothing is known there.
  let d = "", pen = false;
  points.forEach((p, i) => {
    const v = p[chart.key];
    if (v === null) { pen = false; return; }
    d += (pen ? " L" : " M") + xs[i].toFixed(1) + " " + yOf(v).toFixed(1);
    pen = true;
  });
  if (d) svg.append(svgElement("path", { d: d.trim(), class: "series " + chart.cls }));
  // Lone points (between failures, or few samples) stay visible as dots.
  points.forEach((p, i) => {
    const v = p[chart.key];
    const alone = (i === 0 || points[i - 1][chart.key] === null) && (i + 1 === points.length || points[i + 1][chart.key] === null);
    if (v !== null && (alone || points.length <= 120))
      svg.append(svgElement("circle", { cx: xs[i].toFixed(1), cy: yOf(v).toFixed(1), r: 2.5, class: "dot " + chart.cls }));
  });
}

function pointText(p) {
  const when = timeText(p.time);
  const of = p.samples > 1 ? " (the worst of " + p.samples + " samples)" : "";
  if (p.waiting_tasks === null) return when + ": the view failed in " + plural(p.failed, "sample") + "; nothing is known" + of;
  return when + ": " + plural(p.contended_resources, "contended resource") + ", " + plural(p.waiting_tasks, "waiting task") +
    ", longest wait " + p.longest_wait_seconds + " s" + of + (p.failed ? "; " + plural(p.failed, "failed sample") : "");
}

function drawTimeline() {
  const place = document.getElementById("timeline");
  const doc = state.timeline;
  place.replaceChildren();
  if (!doc || doc.points.length === 0) {
    place.append(element("p", { class: "muted", text: doc && doc.history.samples > 0
      ? "No sample in this window." : "The history holds no sample yet." }));
    place.dataset.points = "0";
    return;
  }
  const points = doc.points;
  const geometry = layout(Math.max(place.clientWidth || 0, 480));
  const since = Date.parse(doc.window.since), until = Date.parse(doc.window.until);
  const xs = points.map(p => xOf(geometry, since, until, Date.parse(p.time)));
  let most = 0, failed = 0;
  for (const p of points) { most = Math.max(most, p.waiting_tasks || 0); failed += p.failed; }
  const svg = svgElement("svg", { viewBox: "0 0 " + geometry.width + " " + geometry.height, role: "img",
    "aria-label": plural(doc.samples, "sample") + " from " + timeText(doc.window.since) + " to " + timeText(doc.window.until) +
      ": at most " + plural(most, "waiting task") + (failed ? ", " + plural(failed, "failed sample") : "") });
  for (const chart of geometry.charts) drawChart(svg, geometry, chart, points, xs);
  points.forEach((p, i) => {
    if (p.failed > 0)
      svg.append(svgElement("rect", { x: (xs[i] - 1.5).toFixed(1), y: geometry.failedY, width: 3, height: 8, class: "failed-mark" },
        svgElement("title", { text: pointText(p) })));
  });
  for (let k = 0; k <= 4; ++k) {
    const t = since + (until - since) * k / 4;
    svg.append(svgElement("text", { x: xOf(geometry, since, until, t).toFixed(1), y: geometry.axisY,
      "text-anchor": k === 0 ? "start" : k === 4 ? "end" : "middle", text: shortTime(t, until - since) }));
  }
  const shownAt = state.shownSample ? Date.parse(state.shownSample) : NaN;
  if (shownAt >= since && shownAt <= until) {
    const x = xOf(geometry, since, until, shownAt).toFixed(1);
    svg.append(svgElement("line", { x1: x, x2: x, y1: 14, y2: geometry.failedY + 8, class: "shown" },
      svgElement("title", { text: "shown: " + timeText(state.shownSample) })));
  }
  if (state.cursor >= 0 && state.cursor < points.length) {
    const x = xs[state.cursor].toFixed(1);
    svg.append(svgElement("line", { x1: x, x2: x, y1: 14, y2: geometry.failedY + 8, class: "cursor" }));
  }
  // The whole plot answers the pointer: the nearest point is chosen.
  const hit = svgElement("rect", { x: geometry.left, y: 0, width: geometry.plotWidth, height: geometry.failedY + 10, class: "hit" });
  hit.addEventListener("click", event => {
    const box = svg.getBoundingClientRect();
    const x = (event.clientX - box.left) / box.width * geometry.width;
    let best = 0;
    xs.forEach((px, i) => { if (Math.abs(px - x) < Math.abs(xs[best] - x)) best = i; });
    state.cursor = best;
    showAt(points[best].time);
  });
  svg.append(hit);
  place.append(svg);
  place.dataset.points = String(points.length);
}

function renderEpisodes(episodes) {
  const body = document.querySelector("#episodes tbody");
  const note = document.getElementById("episodes-note");
  body.replaceChildren();
  if (episodes.failed) {
    document.getElementById("episodes-count").textContent = "";
    note.textContent = "The episodes could not be read: " + episodes.error;
    note.className = "unavailable";
    return;
  }
  const shown = episodes.body.episodes.slice(0, 15);
  for (const e of shown) {
    body.append(element("tr", {},
      element("td", { text: e.ENQPLEX }), element("td", { text: e.MAJORNAME }), element("td", { class: "minor", text: e.MINORNAME }),
      element("td", { text: timeText(e.FIRST_SEEN) }), element("td", { text: timeText(e.LAST_SEEN) + (e.OPEN ? " (still going)" : "") }),
      element("td", { class: "number", text: String(e.MAX_WAITERS) }), element("td", { class: "number", text: String(e.BLOCKED_SECONDS) }),
      element("td", { text: e.HOLDERS.slice(0, 3).join(" ") + (e.HOLDERS.length > 3 ? " and " + (e.HOLDERS.length - 3) + " more" : "") })));
  }
  const all = episodes.body.episodes.length;
  document.getElementById("episodes-count").textContent = "(" + all + ")";
  note.textContent = all === 0 ? "No episode of contention in this window."
    : all > shown.length ? "The " + shown.length + " longest of " + all + " episodes; /api/v1/history has them all." : "";
  note.className = "muted";
}

function updateReadout() {
  const readout = document.getElementById("timeline-readout");
  const points = state.timeline ? state.timeline.points : [];
  if (state.cursor >= 0 && state.cursor < points.length)
    readout.textContent = pointText(points[state.cursor]) + ". Enter shows the view then.";
  else if (points.length > 0)
    readout.textContent = "Arrow keys or a click choose a moment; the view then is shown from the history.";
  else readout.textContent = "";
}

async function refreshTimeline() {
  const span = document.getElementById("timeline-window").value;
  const [samples, episodes] = await Promise.all([
    fetchDocument("/api/v1/history/samples?since=" + encodeURIComponent(span)),
    fetchDocument("/api/v1/history?since=" + encodeURIComponent(span))]);
  const section = document.getElementById("timeline-section");
  if (samples.status === 404) {
    // A server without a history: no timeline.
    state.hasHistory = false;
    section.hidden = true;
    return;
  }
  state.hasHistory = true;
  section.hidden = false;
  document.getElementById("history-links").hidden = false;
  if (samples.failed) {
    state.timeline = null;
    document.getElementById("timeline").replaceChildren(element("p", { class: "unavailable",
      text: "The history could not be read: " + samples.error }));
  } else {
    const before = state.timeline ? state.timeline.points.map(p => p.time).join() : "";
    state.timeline = samples.body;
    document.getElementById("history-source").textContent = samples.body.history.source;
    if (state.timeline.points.map(p => p.time).join() !== before) state.cursor = -1;
    drawTimeline();
  }
  updateReadout();
  renderEpisodes(episodes);
}

function moveCursor(to) {
  const points = state.timeline ? state.timeline.points : [];
  if (points.length === 0) return;
  state.cursor = Math.max(0, Math.min(points.length - 1, to));
  drawTimeline();
  updateReadout();
}

function setAddress() {
  const parameters = new URLSearchParams(location.search);
  if (state.at) parameters.set("at", state.at);
  else parameters.delete("at");
  const query = parameters.toString();
  window.history.replaceState(null, "", location.pathname + (query ? "?" + query : ""));
}

function showAt(time) {
  state.at = time;
  setAddress();
  refresh();
}

function goLive() {
  state.at = null;
  state.shownSample = null;
  setAddress();
  refresh();
}

// -----------------------------------------------------------------------------

async function refresh() {
  const at = state.at ? "?at=" + encodeURIComponent(state.at) : "";
  const [tree, contention, status] = await Promise.all([
    fetchDocument("/api/v1/tree" + at), fetchDocument("/api/v1/contention" + at),
    state.at ? Promise.resolve(null) : fetchDocument("/api/v1/status")]);
  state.shownSample = tree.body && tree.body.history ? tree.body.history.sample_time : null;
  showStatus(tree);
  renderTree(tree);
  renderContention(contention);
  if (status) renderSystems(status);
  else renderSystemsPast();
  if (state.hasHistory !== false) await refreshTimeline();
  document.body.dataset.loaded = "yes";
}

function schedule() {
  if (state.timer) clearInterval(state.timer);
  state.timer = null;
  const seconds = Number(document.getElementById("interval").value);
  if (seconds > 0) state.timer = setInterval(refresh, seconds * 1000);
}

function start() {
  const interval = document.getElementById("interval");
  let remembered = null;
  try { remembered = localStorage.getItem("mentrenq.refresh"); } catch (e) { remembered = null; }
  const asked = new URLSearchParams(location.search).get("refresh") || remembered;
  if (asked !== null && [...interval.options].some(o => o.value === asked)) interval.value = asked;
  interval.addEventListener("change", () => {
    try { localStorage.setItem("mentrenq.refresh", interval.value); } catch (e) { /* not kept: still applies */ }
    schedule();
  });
  document.getElementById("refresh").addEventListener("click", refresh);
  state.at = new URLSearchParams(location.search).get("at");
  const span = document.getElementById("timeline-window");
  let rememberedSpan = null;
  try { rememberedSpan = localStorage.getItem("mentrenq.window"); } catch (e) { rememberedSpan = null; }
  if (rememberedSpan !== null && [...span.options].some(o => o.value === rememberedSpan)) span.value = rememberedSpan;
  span.addEventListener("change", () => {
    try { localStorage.setItem("mentrenq.window", span.value); } catch (e) { /* not kept: still applies */ }
    refreshTimeline();
  });
  document.getElementById("live").addEventListener("click", goLive);
  document.getElementById("timeline").addEventListener("keydown", event => {
    const points = state.timeline ? state.timeline.points : [];
    const at = state.cursor < 0 ? points.length - 1 : state.cursor;
    const moves = { ArrowLeft: at - (state.cursor < 0 ? 0 : 1), ArrowRight: at + (state.cursor < 0 ? 0 : 1),
      Home: 0, End: points.length - 1, PageUp: at - 10, PageDown: at + 10 };
    if (event.key in moves) moveCursor(moves[event.key]);
    else if ((event.key === "Enter" || event.key === " ") && state.cursor >= 0 && state.cursor < points.length)
      showAt(points[state.cursor].time);
    else if (event.key === "Escape" && state.at) goLive();
    else return;
    event.preventDefault();
  });
  for (const th of document.querySelectorAll("#summary th")) {
    th.querySelector("button").addEventListener("click", () => {
      if (state.sortKey === th.dataset.key) state.sortDescending = !state.sortDescending;
      else {
        state.sortKey = th.dataset.key;
        state.sortDescending = th.classList.contains("number");
      }
      renderSummary();
    });
  }
  refresh();
  schedule();
}

start();
