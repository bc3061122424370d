#!/usr/bin/env bash
# Builds the programs, creates a fresh installation from sample/ with the data
# tool and runs mirtosek on it; the print program leaves a PDF and a text file.
#
#   scripts/run-sample.sh [--mode I|C|A] [--lang CAT|SPA|GLG|OCI] [--date DD/MM/YYYY]
#                         [--keep] [--per-letter] [--out DIR]
#
# --mode I (default) prints the situation report, C the letters, A writes the
# results back (and prints nothing). --keep reuses the installation of an
# earlier run (so that mode A, then mode I, shows the written-back state).
# --per-letter (with --mode C) writes each letter to a PDF of its own in
# DIR/letters/, with index.csv.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=I lang=CAT date=15/03/2024 keep=no per_letter=no out="$PWD/out/sample"
while [ $# -gt 0 ]; do
  case "$1" in
    --mode) mode=$2; shift 2 ;;
    --lang) lang=$2; shift 2 ;;
    --date) date=$2; shift 2 ;;
    --keep) keep=yes; shift ;;
    --per-letter) per_letter=yes; shift ;;
    --out) out=$2; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
scripts/install-deps.sh build >&2
cmake --preset programs >/dev/null
cmake --build --preset programs -j2 >&2
bin="$PWD/build/programs/tools"
inst="$out/inst" tmp="$out/tmp" exe="$out/bin"
if [ "$keep" = no ] || [ ! -d "$inst" ]; then
  rm -rf "$out"
  mkdir -p "$tmp" "$exe"
  "$bin/kepdata" init "$inst" >&2
  "$bin/kepdata" company "$inst" "1=Administració de Finques Puig, SL" "2=C/ de Balmes 100" \
      "3=08008 Barcelona" "7=B-12345678" >/dev/null
  # init has loaded the official CPI series (installation/cpi/UIpc.csv).
  for table in PropietV FinquesV TVRebut DepartaV TranLauV; do
    "$bin/kepdata" import "$inst" "$table" "sample/$table.csv"
  done
  cp sample/LOCALE/MIRTOSEK.LNG "$inst/LOCALE/"
  # The templates are written in UTF-8; the suite reads them in code page 850.
  for template in sample/TEXTOS/*.txt; do "$bin/kepdata" install "$inst" "$template" >/dev/null; done
  cp sample/Sessio.ini "$tmp/"
  cp "$bin/divivovi" "$exe/DIVIVOVI"
fi
name=report
[ "$mode" = C ] && name=letters
[ "$mode" = A ] && name=writeback
device="PDF:$out/$name.pdf"
[ "$per_letter" = yes ] && device="CARTES:$out/letters"
printf '[Pantalla]\r\nSeleccio=0\r\n[Sistema]\r\nSortida=%s\r\nIdioma=%s\r\n' "$device" "$lang" > "$tmp/VornTerm.ini"
# The letter template of the language: CARTA in Catalan, CARTASPA in Spanish;
# the languages without one of their own take the Catalan one.
template=CARTA
[ -f "sample/TEXTOS/CARTA$lang.txt" ] && template=CARTA$lang
# Report date, first and last building and unit, months 1 to 11, mode,
# template, letters for housing and for both kinds of premises.
printf '%s\r\n1\r\n1\r\n9999\r\n9999\r\n01\r\n11\r\n%s\r\n%s\r\nS\r\nS\r\nS\r\n' "$date" "$mode" "$template" > "$tmp/pent.tmp"
KEPROOT="$inst/" KEPEXE="$exe/" KEPTMP="$tmp" "$bin/mirtosek" </dev/null
if [ "$per_letter" = yes ]; then
  cat "$out/letters/index.csv"
  echo
  echo "PDFs: $out/letters/"
elif [ "$mode" = A ]; then
  echo "mode A: records written back; db.log: $inst/db.log"
  echo "run again with --keep --mode I to see the written-back state"
else
  cat "$out/$name.txt"
  echo
  echo "PDF:  $out/$name.pdf"
  echo "text: $out/$name.txt"
fi
