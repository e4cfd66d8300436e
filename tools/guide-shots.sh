#!/usr/bin/env bash
# Refreshes the pictures of the guide (docs/guide/images) from the screen tests: they run with
# JJGZ_SHOTS pointing at a scratch folder, and the screens the guide shows are copied under the
# names the guide uses. Run after a build with tests:
#   tools/guide-shots.sh [BUILD_DIR]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT

# A failing test still leaves the screens it reached; the pictures it did not reach are named below.
JJGZ_SHOTS=$shots QT_QPA_PLATFORM=offscreen \
  ctest --test-dir "$build" --output-on-failure \
  -R '^(login_dialogs|login_mainfrm|masterdata_worker|masterdata_jjgx|piecework_listing|piecework_record|wagestructure_screens|payroll_gzdata|payroll_month|payroll_print|maintenance_dialogs|widgets_output|report_engine)$' ||
  echo "warning: some screen tests failed; check the pictures" >&2

# guide name <- screenshot name
pictures=(
  login:login
  main_window:main_window
  worker_roster:worker_roster
  worker_dialog:worker_dialog
  jjgx_window:jjgx_window
  jjgx_dialog:jjgx_dialog
  piecework_filter_dialog:piecework_filter_dialog
  piecework_record_dialog:piecework_record_dialog
  piecework_listing_records:piecework_listing_records
  gzxm_list:gzxm_list
  gzgs_dialog:gzgs_dialog_red_green
  gzdata_calculated:gzdata_calculated_failed_cell
  gzdata_explain:gzdata_explain
  report_preview:report_preview
  summary:summary
  carry_forward:carry_forward
  backup:backup
  restore:restore
  print_landscape:grid_print_landscape_preview
)
out=$src/docs/guide/images
mkdir -p "$out"
missing=0
for p in "${pictures[@]}"; do
  if [ -f "$shots/${p#*:}.png" ]; then
    cp "$shots/${p#*:}.png" "$out/${p%%:*}.png"
  else
    echo "no screenshot ${p#*:}.png for the guide's ${p%%:*}.png" >&2
    missing=1
  fi
done
echo "pictures in $out"
exit $missing
