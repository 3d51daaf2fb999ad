#!/usr/bin/env bash
# The layers' include rule: the engine (core, numerics, files, materials, analyses) includes
# no presenter, view or program header; the presenters include no view or program header.
# Usage: scripts/check-layers.sh SRC_DIR
set -euo pipefail
src=${1:-src}
status=0
check() {  # folders, forbidden include prefixes (a regular expression)
  local found
  found=$(cd "$src" && grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]+\"($2)/" $1 || true)
  if [ -n "$found" ]; then
    echo "$found"
    status=1
  fi
}
check "core numerics files materials analyses" "presenters|ui|app"
check "presenters" "ui|app"
[ $status -eq 0 ] && echo "layers: every include goes downwards"
exit $status
