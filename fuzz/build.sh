#!/bin/bash
# Builds the evaluator fuzz targets with clang's libFuzzer, address and
# undefined-behaviour sanitizers. Not part of the normal build.
#   fuzz/build.sh [OUTDIR]        (default /tmp/jjgz-fuzz)
#   OUTDIR/fuzz_evaluator OUTDIR/corpus fuzz/seeds -max_total_time=300
#   OUTDIR/fuzz_sheet OUTDIR/corpus-sheet fuzz/seeds fuzz/seeds-sheet -max_total_time=300
# fuzz_evaluator runs any formula in the component with permissive handlers;
# fuzz_sheet runs it as the wage sheet does (its registry, names and budget).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$here/../src/evaluator"
out="${1:-/tmp/jjgz-fuzz}"
mkdir -p "$out/corpus" "$out/corpus-sheet" "$out/obj"
flags=(-std=c++20 -O1 -g -fno-sanitize-recover=undefined -I"$src")
for f in "$src"/*.cpp; do
  clang++ "${flags[@]}" -fsanitize=fuzzer-no-link,address,undefined -c "$f" -o "$out/obj/$(basename "$f" .cpp).o"
done
for t in fuzz_evaluator fuzz_sheet; do
  clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined "$here/$t.cpp" "$out"/obj/*.o -o "$out/$t"
  echo "built $out/$t"
done
# fuzz_payroll_sheet runs formulas through the wage sheet's own evaluator set-up
# (src/payroll/SheetEvaluator), with its messages and rounding; it needs Qt Core.
#   OUTDIR/fuzz_payroll_sheet OUTDIR/corpus-payroll fuzz/seeds fuzz/seeds-sheet -max_total_time=300
mkdir -p "$out/corpus-payroll"
clang++ "${flags[@]}" -fPIC -fsanitize=fuzzer,address,undefined -I"$here/../src" $(pkg-config --cflags Qt6Core) \
  "$here/fuzz_payroll_sheet.cpp" "$here/../src/payroll/SheetEvaluator.cpp" "$here/../src/data/MyFun.cpp" \
  "$here/../src/data/IniFile.cpp" "$here/../src/data/Gbk.cpp" "$out"/obj/*.o $(pkg-config --libs Qt6Core) \
  -o "$out/fuzz_payroll_sheet"
echo "built $out/fuzz_payroll_sheet"
