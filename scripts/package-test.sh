#!/usr/bin/env bash
# The Debian package, as a user gets it: made by CPack from a build folder
# (default build/programs, configured and built when needed), unpacked into
# a scratch root, and run from there alone: mirtosek --version, kepdata init
# (which must find the CPI file of the installed copy), and a report of the
# sample installation made from the package's own sample files, compared with
# the same report made by the build folder's programs.
#   scripts/package-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build/programs}
if [ "$build" = build/programs ]; then
  cmake --preset programs >/dev/null
  cmake --build --preset programs -j2 >/dev/null
fi
rm -f "$build"/mirtosek_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/mirtosek_*.deb)
echo "package: $deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libsqlite3 libhpdf libc6 fonts-dejavu-core; do
  case "$depends" in *"$lib"*) ;; *) echo "FAIL: the package does not depend on $lib" >&2; exit 1 ;; esac
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
bin=$scratch/root/usr/bin share=$scratch/root/usr/share/mirtosek
for f in "$bin/mirtosek" "$bin/kepdata" "$bin/divivovi" "$share/UIpc.csv" "$share/ddf/DepartaV.xdf" \
         "$share/sample/LOCALE/MIRTOSEK.LNG" "$share/sample/TEXTOS/CARTA.txt" \
         "$scratch/root/usr/share/man/man1/mirtosek.1.gz"; do
  [ -e "$f" ] || { echo "FAIL: the package lacks $f" >&2; exit 1; }
done
# From here on nothing of the source tree or the build folder is used: the
# programs run from a folder of their own, with a PATH of the system's alone.
cd "$scratch"
run() { env -i PATH=/usr/bin:/bin HOME="$scratch" TMPDIR="$scratch" "$@"; }
version=$(run "$bin/mirtosek" --version)
[ "$version" = "mirtosek 1.0" ] || { echo "FAIL: mirtosek --version said \"$version\"" >&2; exit 1; }
make_installation() {  # $1 the data tool, $2 the data root, $3 the sample folder
  run "$1" init "$2" >/dev/null
  run "$1" company "$2" "1=Administració de Finques Puig, SL" "2=C/ de Balmes 100" "3=08008 Barcelona" \
    "7=B-12345678" >/dev/null
  for table in PropietV FinquesV TVRebut DepartaV TranLauV; do
    run "$1" import "$2" "$table" "$3/$table.csv" >/dev/null
  done
  cp "$3/LOCALE/MIRTOSEK.LNG" "$2/LOCALE/"
  for template in "$3"/TEXTOS/*.txt; do run "$1" install "$2" "$template" >/dev/null; done
}
make_installation "$bin/kepdata" "$scratch/inst" "$share/sample"
cpi=$(run "$bin/kepdata" export "$scratch/inst" UIpc | wc -l)
[ "$cpi" -gt 800 ] || { echo "FAIL: kepdata init of the package loaded $cpi CPI lines" >&2; exit 1; }
run "$bin/mirtosek" --root "$scratch/inst" --date 15/03/2024 --last-month 11 --output "$scratch/installed.pdf" \
  2>"$scratch/installed.err" >/dev/null
run "$bin/mirtosek" --root "$scratch/inst" -m C -t CARTA -L --date 15/03/2024 --last-month 11 \
  --output "$scratch/letters.pdf" 2>/dev/null >/dev/null
# The same with the build folder's programs.
make_installation "$src/$build/tools/kepdata" "$scratch/ref" "$src/sample"
run "$src/$build/tools/mirtosek" --root "$scratch/ref" --date 15/03/2024 --last-month 11 \
  --output "$scratch/reference.pdf" 2>/dev/null >/dev/null
run "$src/$build/tools/mirtosek" --root "$scratch/ref" -m C -t CARTA -L --date 15/03/2024 --last-month 11 \
  --output "$scratch/reference_letters.pdf" 2>/dev/null >/dev/null
cmp "$scratch/letters.txt" "$scratch/reference_letters.txt" || { echo "FAIL: the installed letters differ" >&2; exit 1; }
pdffonts "$scratch/letters.pdf" | grep -q DejaVuSansMono || { echo "FAIL: the letters lack their font" >&2; exit 1; }
cmp "$scratch/installed.txt" "$scratch/reference.txt" || { echo "FAIL: the installed report differs" >&2; exit 1; }
[ -s "$scratch/installed.pdf" ] && [ -s "$scratch/letters.pdf" ] || { echo "FAIL: no PDF" >&2; exit 1; }
grep -q "INFORME DE SITUACIÓ A 15/3/2024" "$scratch/installed.txt" || { echo "FAIL: no report" >&2; exit 1; }
echo "package: installed in a scratch root, version, init with the official CPI ($cpi lines), report ($(grep -c '^[0-9]\{6\} ' "$scratch/installed.txt") units) and letters from the installed files: OK"
