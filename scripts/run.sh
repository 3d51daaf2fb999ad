#!/usr/bin/env bash
# `make run`: opens the KORV window with the bundled example measurement loaded (through
# "Load Data", as a file named on the command line is), so a first start shows a plotted
# measurement. Without the window program it analyses the example with the command-line tool.
set -eu
build=${1:-build}
if [ -x "$build/src/app/korv" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
    echo "No display found: set DISPLAY, or run under xvfb-run." >&2
    exit 1
  fi
  exec "$build/src/app/korv" examples/si_n_phosphorus.nT
fi
if [ -x "$build/src/app/korv-batch" ]; then
  exec "$build/src/app/korv-batch" analyze examples/si_n_phosphorus.nT --outdir "$build/example-run"
fi
echo "Neither korv nor korv-batch is built yet." >&2
exit 1
