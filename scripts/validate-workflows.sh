#!/usr/bin/env bash
# Checks every workflow file of .github/workflows/ against the schema of
# GitHub Actions with action-validator from the npm registry, installed on
# first use into tools/ (ignored by git), and checks that the validator does
# reject a broken copy. Exits 77 (skipped) where npm is missing.
# Usage: scripts/validate-workflows.sh [--install]   (--install: only install)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
version=0.6.0
dir="$top/tools/action-validator-$version"
validator="$dir/node_modules/.bin/action-validator"

if [ ! -x "$validator" ]; then
  if ! command -v npm >/dev/null; then
    echo "skipped: npm is missing, so the workflow files are not validated (Debian: nodejs, npm)"
    exit 77
  fi
  mkdir -p "$dir"
  npm install --prefix "$dir" --no-save --no-audit --no-fund --loglevel=error \
    "@action-validator/cli@$version" >&2
fi
[ "${1:-}" = --install ] && exit 0

shopt -s nullglob
files=("$top"/.github/workflows/*.yml "$top"/.github/workflows/*.yaml)
[ ${#files[@]} -gt 0 ] || { echo "no workflow file in .github/workflows" >&2; exit 1; }

failed=0
for file in "${files[@]}"; do
  if "$validator" "$file"; then
    echo "ok   ${file#"$top"/}"
  else
    echo "FAIL ${file#"$top"/}"
    failed=$((failed + 1))
  fi
done

# A validator that passed anything would make the results above worthless: a
# job without runs-on, and a step with an unknown key, must each be rejected.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed '/^    runs-on:/d' "${files[0]}" >"$work/no-runs-on.yml"
sed 's/^      - uses: actions\/checkout@v4/      - usses: actions\/checkout@v4/' "${files[0]}" >"$work/bad-key.yml"
for broken in "$work"/*.yml; do
  if cmp -s "$broken" "${files[0]}"; then
    echo "FAIL the broken copy $(basename "$broken") is not broken: update this script"
    failed=$((failed + 1))
  elif "$validator" "$broken" >/dev/null 2>&1; then
    echo "FAIL the validator accepted a broken copy: $(basename "$broken")"
    failed=$((failed + 1))
  else
    echo "ok   a broken copy is rejected: $(basename "$broken")"
  fi
done
[ "$failed" -eq 0 ]
