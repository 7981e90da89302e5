#!/usr/bin/env bash
# Installs the TypeScript compiler that checks docs/webshell.d.ts into a cache folder outside
# the checkout (~/.cache/webshell/node, or $WEBSHELL_NODE_DIR), with npm from the npm registry.
# Idempotent: with the pinned version installed it only checks. When npm cannot reach the
# registry it says so, leaves the reason in <folder>/unreachable for the tests (which then skip
# saying why) and does not fail set-up.
set -euo pipefail
version=5.9.3
dir=${WEBSHELL_NODE_DIR:-$HOME/.cache/webshell/node}
tsc=$dir/node_modules/.bin/tsc
say() { echo "setup-typescript: $*" >&2; }

if [ -x "$tsc" ] && grep -q "\"version\": \"$version\"" "$dir/node_modules/typescript/package.json" 2>/dev/null; then
  exit 0
fi
if ! command -v npm >/dev/null; then
  say "npm is missing; installing it"
  if [ "$(id -u)" = 0 ]; then apt-get install -y -q --no-install-recommends npm >&2 || true
  else sudo apt-get install -y -q --no-install-recommends npm >&2 || true; fi
fi
mkdir -p "$dir"
rm -f "$dir/unreachable"
if ! command -v npm >/dev/null; then
  echo "npm could not be installed" >"$dir/unreachable"
  say "npm could not be installed: the TypeScript checks will be skipped"
  exit 0
fi
log=$(mktemp)
if npm install --prefix "$dir" --no-audit --no-fund --save-exact "typescript@$version" >"$log" 2>&1 && [ -x "$tsc" ]; then
  say "TypeScript $version installed in $dir"
else
  { echo "npm install typescript@$version failed:"; tail -n 20 "$log"; } >"$dir/unreachable"
  say "npm could not install TypeScript from the registry (see $dir/unreachable): the TypeScript checks will be skipped"
fi
rm -f "$log"
