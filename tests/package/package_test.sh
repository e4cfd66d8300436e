#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack, listed, checked by lintian and
# desktop-file-validate, unpacked into a temporary root; the unpacked program started offscreen
# with a fresh HOME must make ~/.local/share/jjgz/data/zt000.mdb and open it, and the unpacked
# jjgz-payroll must calculate a month in that database.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
debs=("$work"/out/jjgz_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no jjgz_<version>_amd64.deb in $(ls "$work/out")"
deb=${debs[0]}
echo "built $(basename "$deb")"

# The listing holds what a desktop program needs, and nothing beside /usr/bin but programs.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/list"
for f in /usr/bin/jjgz /usr/bin/jjgz-payroll /usr/bin/jjgz-formula \
  /usr/share/jjgz/zt000.mdb /usr/share/jjgz/rep/gzbar.frf /usr/share/jjgz/guide/index.html \
  /usr/share/applications/jjgz.desktop /usr/share/icons/hicolor/scalable/apps/jjgz.svg \
  /usr/share/icons/hicolor/48x48/apps/jjgz.png /usr/share/icons/hicolor/128x128/apps/jjgz.png \
  /usr/share/icons/hicolor/256x256/apps/jjgz.png \
  /usr/share/man/man1/jjgz-payroll.1.gz /usr/share/man/man1/jjgz-formula.1.gz \
  /usr/share/man/zh_CN/man1/jjgz-payroll.1.gz /usr/share/man/zh_CN/man1/jjgz-formula.1.gz \
  /usr/share/doc/jjgz/copyright /usr/share/doc/jjgz/changelog.gz; do
  grep -qx "$f" "$work/list" || fail "$f missing from the package"
done
if grep -E '^/usr/bin/.+/' "$work/list"; then fail "files under /usr/bin/ beside the programs"; fi
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print; bad=1} END {exit bad}' || fail "files not owned by root"

# Dependencies: computed from the programs (Qt libraries among them), not only the typed ones.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6sql6 libsqlite3-0 libzip4 libc6 libqt6sql6-sqlite; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
done

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi
else
  fail "lintian is not installed (./setup.sh test installs it)"
fi
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/jjgz.desktop >"$work/jjgz.desktop"
desktop-file-validate "$work/jjgz.desktop" || fail "desktop-file-validate"
grep -qx 'Name=工资管理系统' "$work/jjgz.desktop" || fail "menu name"

# Unpacked and started with a fresh HOME: the first start copies the delivered database.
root="$work/root"
dpkg-deb -x "$deb" "$root"
home="$work/home"
mkdir -p "$home"
run() { env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "$@"; }
run JJGZ_SMOKE_EXIT=1 timeout 60 "$root/usr/bin/jjgz" >"$work/smoke.log" 2>&1 ||
  { cat "$work/smoke.log" >&2; fail "the program did not start and exit cleanly"; }
cat "$work/smoke.log"
db="$home/.local/share/jjgz/data/zt000.mdb"
[ -f "$db" ] || fail "no $db after the first start"
cmp -s "$db" "$root/usr/share/jjgz/zt000.mdb" || fail "the first start's database is not the delivered one"
grep -q "第一次启动" "$work/smoke.log" || fail "the first start did not say that it copied the database"
grep -q "opened $db" "$work/smoke.log" || fail "the program did not open $db"
run JJGZ_SMOKE_EXIT=1 timeout 60 "$root/usr/bin/jjgz" >"$work/again.log" 2>&1 || fail "second start"
if grep -q "第一次启动" "$work/again.log"; then fail "the second start said it was the first"; fi

# A month with one employee and a formula item, calculated by the unpacked tool in that database.
sqlite3 "$db" <<'SQL'
insert into depart(bmcode,bmname) values('01','车间');
insert into worker_tp(tpcode,tpname) values('01','工人');
insert into worker(wkcode,wkname,bmcode,sex,tpcode,state) values('0001','张三','01','男','01',0);
insert into gzxm(xh,fname,xmname,ftype,fsize) values(1,'f1','基本工资',0,'0');
alter table gzdata add f1 float default 0;
insert into gzxm(xh,fname,xmname,ftype,fsize) values(2,'f2','应发工资',0,'0');
alter table gzdata add f2 float default 0;
insert into gzgs(xh,fname,gs,gsdesc,con,condesc) values(1,'f1','1800','1800','','');
insert into gzgs(xh,fname,gs,gsdesc,con,condesc) values(2,'f2','f1*1.5+JJe','f1*1.5+JJe','','');
SQL
out=$(run "$root/usr/bin/jjgz-payroll" calc 2026-11 2>&1) || fail "jjgz-payroll: $out"
echo "$out"
grep -q "calculated 1 employees, 2 items, 0 failed cells" <<<"$out" || fail "jjgz-payroll did not calculate the month"
[ "$(sqlite3 "$db" "select f2 from gzdata where xyear=2026 and xmonth=11 and wkcode='0001'")" = 2700.0 ] ||
  fail "the calculated wage is not in the database"

# Nothing anywhere: both say where they looked.
rm -rf "$home/.local" "$root/usr/share/jjgz/zt000.mdb"
if run "$root/usr/bin/jjgz-payroll" calc 2026-11 >"$work/none.log" 2>&1; then fail "jjgz-payroll without a database succeeded"; fi
grep -q "找不到数据库.*$root/usr/share/jjgz/zt000.mdb" "$work/none.log" || { cat "$work/none.log"; fail "jjgz-payroll did not say where it looked"; }
if run JJGZ_SMOKE_EXIT=1 timeout 60 "$root/usr/bin/jjgz" >"$work/none.log" 2>&1; then fail "the program without a database succeeded"; fi
grep -q "$home/.local/share/jjgz/data/zt000.mdb" "$work/none.log" || { cat "$work/none.log"; fail "the program did not say where it looked"; }
echo "package test passed"
