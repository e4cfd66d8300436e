#!/usr/bin/env bash
# Sets up a Debian 12 machine for jjgz, builds it, and then either starts the program
# (./setup.sh run) or runs every test (./setup.sh test).
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
case "$mode" in run|test) ;; *) echo "usage: $0 run|test" >&2; exit 2 ;; esac

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n
  libsqlite3-dev sqlite3 libzip-dev libxlsxwriter-dev libfreexl-dev libsodium-dev
  fonts-wqy-microhei
)
if [ "$mode" = test ]; then
  # Test and benchmark tools: GoogleTest, Google Benchmark and muparser (benchmark baseline),
  # readers for what the program writes (PDF, .xls, ZIP), LibreOffice to make the .xls files the
  # import tests read, and clang for the evaluator's fuzzer.
  packages+=(libgtest-dev libbenchmark-dev libmuparser-dev poppler-utils python3-xlrd python3-openpyxl unzip
    libreoffice-calc-nogui)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
if [ "$mode" = test ]; then with_tests=ON; else with_tests=OFF; fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=$with_tests -DJJGZ_BENCH=$with_tests
cmake --build build -j"$jobs"

if [ "$mode" = run ]; then
  exec build/bin/jjgz
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$jobs"

# The formula evaluator once more, under the address and undefined-behaviour sanitizers.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DJJGZ_EVALUATOR_ONLY=ON -DJJGZ_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"
