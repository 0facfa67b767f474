#!/usr/bin/env bash
# Takes the screenshot of the page of `mentrenq serve` that the README shows:
# the built-in demo, served on a free loopback port, in headless Chromium at
# a laptop's width. Usage: scripts/page-screenshot.sh [OUTPUT.png]
set -euo pipefail
out="${1:-docs/serve-page.png}"
mentrenq="${MENTRENQ:-build/default/bin/mentrenq}"
chromium=/usr/lib/chromium/chromium
[ -x "$chromium" ] || chromium="$(command -v chromium)"
work="$(mktemp -d)"
"$mentrenq" serve --listen 127.0.0.1:0 2>"$work/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q 'serving' "$work/log" && break; sleep 0.1; done
port="$(sed -n 's|.*http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$work/log")"
[ -n "$port" ] || { cat "$work/log" >&2; exit 1; }
timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --disable-dev-shm-usage \
  --user-data-dir="$work/profile" --virtual-time-budget=10000 --hide-scrollbars \
  --window-size=1366,1560 --screenshot="$out" "http://127.0.0.1:$port/" 2>/dev/null
echo "wrote $out"
