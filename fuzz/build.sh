#!/bin/bash
# Builds the evaluator fuzz target with clang's libFuzzer, address and
# undefined-behaviour sanitizers. Not part of the normal build.
#   fuzz/build.sh [OUTDIR]        (default /tmp/jjgz-fuzz)
#   OUTDIR/fuzz_evaluator OUTDIR/corpus fuzz/seeds -max_total_time=300
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$here/../src/evaluator"
out="${1:-/tmp/jjgz-fuzz}"
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$src" "$here/fuzz_evaluator.cpp" "$src"/*.cpp -o "$out/fuzz_evaluator"
echo "built $out/fuzz_evaluator"
