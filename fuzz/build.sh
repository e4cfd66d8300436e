#!/bin/bash
# Builds every fuzz target with clang's libFuzzer and the address and undefined-behaviour
# sanitizers. Not part of the normal build; setup.sh test runs each for a bounded time.
#   fuzz/build.sh [OUTDIR]        (default /tmp/jjgz-fuzz; CXX defaults to clang++-14 or clang++)
#   OUTDIR/fuzz_evaluator OUTDIR/corpus-evaluator fuzz/seeds -max_total_time=300
#   OUTDIR/fuzz_sheet OUTDIR/corpus-sheet fuzz/seeds fuzz/seeds-sheet -max_total_time=300
#   OUTDIR/fuzz_payroll_sheet OUTDIR/corpus-payroll fuzz/seeds fuzz/seeds-sheet -max_total_time=300
#   OUTDIR/fuzz_wage_month OUTDIR/corpus-month fuzz/seeds-month -max_total_time=300
# fuzz_evaluator runs any formula in the component with permissive handlers; fuzz_sheet runs it
# with the wage calculation's set-up (src/wagecalc); fuzz_payroll_sheet runs it as one cell of
# the month's calculation; fuzz_wage_month compares the core's month calculation with the
# literal procedure (tests/payroll) on months chosen by the input. The last three need Qt Core.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
out="${1:-/tmp/jjgz-fuzz}"
cxx="${CXX:-$(command -v clang++-14 || command -v clang++)}"
jobs="${JOBS:-2}"
mkdir -p "$out/obj" "$out/obj-qt"
flags=(-std=c++20 -O1 -g -fno-sanitize-recover=undefined -fPIC -I"$root/src/evaluator" -I"$root/src")
qt=($(pkg-config --cflags Qt6Core))
qtlibs=($(pkg-config --libs Qt6Core))

# Objects of the evaluator (plain C++) and of the Qt Core part of the wage calculation.
compile() { # source object extra-flags...
  local src="$1" obj="$2"
  shift 2
  if [ ! "$obj" -nt "$src" ] || [ "$(find "$root/src" "$root/tests/payroll" -name '*.h' -newer "$obj" | head -1)" ]; then
    "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link,address,undefined "$@" -c "$src" -o "$obj"
  fi
}
pids=()
for f in "$root"/src/evaluator/*.cpp; do
  compile "$f" "$out/obj/$(basename "$f" .cpp).o" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
done
qtsources=("$root"/src/wagecalc/WageEvaluator.cpp "$root"/src/wagecalc/SheetEvaluator.cpp "$root"/src/wagecalc/WageCell.cpp
  "$root"/src/data/MyFun.cpp "$root"/src/data/DataPaths.cpp "$root"/src/data/IniFile.cpp "$root"/src/data/Gbk.cpp
  "$root"/tests/payroll/LiteralOracle.cpp "$root"/tests/payroll/SheetGenerator.cpp)
for f in "${qtsources[@]}"; do
  compile "$f" "$out/obj-qt/$(basename "$f" .cpp).o" "${qt[@]}" -I"$root/tests/payroll" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
done
for p in "${pids[@]}"; do wait "$p"; done

link() { # target objects...
  local t="$1"
  shift
  "$cxx" "${flags[@]}" -fsanitize=fuzzer,address,undefined "$@" -o "$out/$t"
  echo "built $out/$t"
}
link fuzz_evaluator "$here/fuzz_evaluator.cpp" "$out"/obj/*.o
oqt=("$out"/obj-qt/WageEvaluator.o "$out"/obj-qt/SheetEvaluator.o "$out"/obj-qt/WageCell.o "$out"/obj-qt/MyFun.o
  "$out"/obj-qt/DataPaths.o "$out"/obj-qt/IniFile.o "$out"/obj-qt/Gbk.o)
link fuzz_sheet "${qt[@]}" "$here/fuzz_sheet.cpp" "${oqt[@]}" "$out"/obj/*.o "${qtlibs[@]}"
link fuzz_payroll_sheet "${qt[@]}" "$here/fuzz_payroll_sheet.cpp" "${oqt[@]}" "$out"/obj/*.o "${qtlibs[@]}"
link fuzz_wage_month "${qt[@]}" -I"$root/tests/payroll" "$here/fuzz_wage_month.cpp" "$out"/obj-qt/LiteralOracle.o \
  "$out"/obj-qt/SheetGenerator.o "${oqt[@]}" "$out"/obj/*.o "${qtlibs[@]}"
