#!/usr/bin/env bash
# `make run`: opens the KORV window when it was built; otherwise analyses the bundled
# example with the command-line tool, or reports what the engine read from it.
set -eu
build=${1:-build}
if [ -x "$build/src/app/korv" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
    echo "No display found: set DISPLAY, or run under xvfb-run." >&2
    exit 1
  fi
  exec "$build/src/app/korv"
fi
if [ -x "$build/src/app/korv-batch" ]; then
  exec "$build/src/app/korv-batch" analyze examples/si_n_phosphorus.nT --outdir "$build/example-run"
fi
echo "Neither korv nor korv-batch is built yet." >&2
exit 1
