#!/usr/bin/env bash
# Builds the reader fuzz target with clang's libFuzzer and runs it for a bounded time.
# Usage: scripts/fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
mkdir -p "$build/obj" "$build/corpus"
# The engine's sources as src/CMakeLists.txt lists them for korv_engine.
sources=$(awk '/^add_library\(korv_engine /{on=1; next} on{last = /\)/; gsub(/[()]/, ""); if ($1 != "") print "src/" $1; if (last) exit}' \
  src/CMakeLists.txt)
[ -n "$sources" ] || { echo "fuzz.sh: no engine sources found in src/CMakeLists.txt" >&2; exit 1; }
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -Isrc)
objs=()
for s in $sources fuzz/fuzz_readers.cpp; do
  o="$build/obj/$(echo "$s" | tr '/' '_').o"
  if [ ! -f "$o" ] || [ "$s" -nt "$o" ] || [ -n "$(find src -name '*.h' -newer "$o" -print -quit)" ]; then
    clang++ "${flags[@]}" -c "$s" -o "$o"
  fi
  objs+=("$o")
done
# The engine's relative fit links GSL.
read -r -a gsl_libs <<<"$(pkg-config --libs gsl 2>/dev/null || echo -lgsl -lgslcblas -lm)"
clang++ -fsanitize=fuzzer,address,undefined "${objs[@]}" "${gsl_libs[@]}" -pthread -o "$build/fuzz_readers"
cp -n fuzz/corpus/* "$build/corpus/" 2>/dev/null || true
"$build/fuzz_readers" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$build/corpus" 2>&1 | tail -n 25
