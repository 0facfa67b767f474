// The page of `mentrenq serve`: reads /api/v1/tree, /api/v1/contention and
// /api/v1/status and shows them. Every text from the server goes into the
// page as text, never as markup.
"use strict";

const state = { timer: null, rows: [], sortKey: "maxwaittm", sortDescending: true };

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
  if (!body) return { failed: true, error: "the server answered " + response.status + " without a document" };
  if (!response.ok) return { failed: true, error: body.error || ("status " + response.status), body };
  return { failed: false, body };
}

function showStatus(tree) {
  const badge = document.getElementById("view-status");
  const failure = document.getElementById("failure");
  const body = tree.body;
  if (tree.failed) {
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
    document.getElementById("snapshot-source").textContent = "(" + source + ", " + body.snapshot.source + ")";
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

async function refresh() {
  const [tree, contention, status] = await Promise.all([
    fetchDocument("/api/v1/tree"), fetchDocument("/api/v1/contention"), fetchDocument("/api/v1/status")]);
  showStatus(tree);
  renderTree(tree);
  renderContention(contention);
  renderSystems(status);
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
