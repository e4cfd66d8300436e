#!/bin/bash
# Builds the evaluator fuzz target with clang's libFuzzer, address and
# undefined-behaviour sanitizers. Not part of the normal build.
#   fuzz/build.sh [OUTDIR]        (default /tmp/jjgz-fuzz)
#   OUTDIR/fuzz_evaluator OUTDIR/corpus fuzz/seeds -max_total_time=300
#   OUTDIR/fuzz_sheet OUTDIR/corpus-sheet fuzz/seeds -max_total_time=300
# fuzz_sheet runs formulas the way the wage sheet does (its registry, name handler and budget),
# so the function library is fuzzed through formulas too; it needs Qt Core.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$here/../src/evaluator"
out="${1:-/tmp/jjgz-fuzz}"
mkdir -p "$out/corpus" "$out/corpus-sheet"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$src" "$here/fuzz_evaluator.cpp" "$src"/*.cpp -o "$out/fuzz_evaluator"
echo "built $out/fuzz_evaluator"
clang++ -std=c++20 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$src" -I"$here/../src" $(pkg-config --cflags Qt6Core) "$here/fuzz_sheet.cpp" "$here/../src/payroll/SheetEvaluator.cpp" \
  "$here/../src/data/MyFun.cpp" "$here/../src/data/IniFile.cpp" "$here/../src/data/Gbk.cpp" "$src"/*.cpp \
  $(pkg-config --libs Qt6Core) -o "$out/fuzz_sheet"
echo "built $out/fuzz_sheet"
