#!/usr/bin/env python3
"""Makes a synthetic installation of N units through the data tool.

Every building is a copy of one of the sample installation's buildings and
its units copies of that building's units, so the leases take every branch of
the lease engine in the sample's proportions: housing and premises, contracts
before and after 9 May 1985, subrogations, revaluation bands, the cadastral
cap, phase-in steps and income exemption. Names, amounts and incomes vary. The
same seed gives the same installation, byte for byte.

    scripts/make_installation.py --units 10000 --seed 1994 --out DIR [--kepdata PATH]
"""
import argparse
import csv
import io
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(HERE, "..", "sample")
UNITS_PER_BUILDING = 20
# How often each sample building serves as the model of a building: the
# building without an owner is rare, as it is in a real installation.
BUILDING_WEIGHTS = {"1": 3, "2": 2, "3": 2, "4": 3, "5": 0.1, "6": 1}
FIRST_NAMES = ["Joan", "Maria", "Pere", "Anna", "Jordi", "Montserrat", "Josep", "Núria", "Marc", "Laia"]
SURNAMES = ["Garcia", "Puig", "Vila", "Roca", "Ferrer", "Serra", "Soler", "Font", "Pujol", "Martí", "Sala"]


def read(table):
    with open(os.path.join(SAMPLE, table + ".csv"), encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f))


def scaled(value, rng, low=0.8, high=1.25):
    n = int(value or 0)
    return str(int(round(n * rng.uniform(low, high)))) if n else value


def write(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="") as f:
        w = csv.DictWriter(f, fieldnames=header, lineterminator="\n")
        w.writeheader()
        w.writerows(rows)


def make_tables(units, seed, out):
    rng = random.Random(seed)
    buildings = {b["building"]: b for b in read("FinquesV")}
    sample_units = read("DepartaV")
    transitions = {(t["building"], t["unit"]): t for t in read("TranLauV")}
    units_of = {}
    for u in sample_units:
        units_of.setdefault(u["building"], []).append(u)
    models = sorted(BUILDING_WEIGHTS)
    weights = [BUILDING_WEIGHTS[m] for m in models]

    building_rows, unit_rows, transition_rows = [], [], []
    building_count = (units + UNITS_PER_BUILDING - 1) // UNITS_PER_BUILDING
    made = 0
    for b in range(1, building_count + 1):
        model = rng.choices(models, weights)[0]
        row = dict(buildings[model], building=str(b), street=f"C/ Sintètic {b}", note="")
        building_rows.append(row)
        for u in range(1, min(UNITS_PER_BUILDING, units - made) + 1):
            src = rng.choice(units_of[model])
            name = f"{rng.choice(SURNAMES)}*{rng.choice(FIRST_NAMES)}"
            unit = dict(src, building=str(b), unit=str(u), tenant_name=name, note="")
            for c in ("concept1", "concept2", "concept11"):
                unit[c] = scaled(src[c], rng)
            unit_rows.append(unit)
            t = transitions.get((src["building"], src["unit"]))
            if t is not None:
                tr = dict(t, building=str(b), unit=str(u), note="")
                tr["household_income"] = scaled(t["household_income"], rng, 0.9, 1.1)
                transition_rows.append(tr)
            made += 1

    write(os.path.join(out, "FinquesV.csv"), list(building_rows[0].keys()), building_rows)
    write(os.path.join(out, "DepartaV.csv"), list(unit_rows[0].keys()), unit_rows)
    write(os.path.join(out, "TranLauV.csv"), list(transition_rows[0].keys()), transition_rows)
    for table in ("PropietV", "TVRebut"):
        rows = read(table)
        write(os.path.join(out, table + ".csv"), list(rows[0].keys()), rows)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--units", type=int, required=True)
    p.add_argument("--seed", type=int, default=1994)
    p.add_argument("--out", required=True, help="installation directory (made afresh)")
    p.add_argument("--kepdata", default=os.path.join(HERE, "..", "build", "release", "tools", "kepdata"))
    p.add_argument("--csv-only", action="store_true", help="write the CSV files only")
    a = p.parse_args()
    if a.units < 1:
        sys.exit("make_installation: --units must be at least 1")
    csv_dir = os.path.join(a.out, "csv")
    os.makedirs(csv_dir, exist_ok=True)
    make_tables(a.units, a.seed, csv_dir)
    if a.csv_only:
        return
    root = os.path.join(a.out, "inst")
    run = lambda *args: subprocess.run([a.kepdata, *args], check=True, stdout=subprocess.DEVNULL)
    run("init", root)
    run("company", root, "1=Administració de Finques Puig, SL", "7=B-12345678")
    # The CPI file is the official series that init loads.
    for table in ("PropietV", "FinquesV", "TVRebut", "DepartaV", "TranLauV"):
        run("import", root, table, os.path.join(csv_dir, table + ".csv"))
    os.makedirs(os.path.join(root, "LOCALE"), exist_ok=True)
    with open(os.path.join(SAMPLE, "LOCALE", "MIRTOSEK.LNG"), "rb") as src, \
            open(os.path.join(root, "LOCALE", "MIRTOSEK.LNG"), "wb") as dst:
        dst.write(src.read())
    # The templates are written in UTF-8; the data tool stores them in code page 850.
    for name in ("CARTA.txt", "CARTASPA.txt"):
        run("install", root, os.path.join(SAMPLE, "TEXTOS", name))


if __name__ == "__main__":
    main()
