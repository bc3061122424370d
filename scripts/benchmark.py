#!/usr/bin/env python3
"""Times mirtosek on synthetic installations of growing size.

For each size: mode "I" in Catalan and in Spanish (the sample's full language
file), mode "C" and mode "A" in Catalan, all with a print program that does
nothing, and the baseline: the run's record reads through the record layer
alone (kepwalk). Every figure is the median of several runs, measured with
/usr/bin/time -v. Mode "A" runs on a fresh copy of the installation each time
(the copy is not timed). At 10,000 units the print program's own time for the
report is measured apart.
"""
import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))


def timed(cmd, env):
    """Runs cmd under /usr/bin/time -v; returns (wall seconds, peak KiB, stdout)."""
    p = subprocess.run(["/usr/bin/time", "-v", *cmd], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if p.returncode != 0:
        sys.exit(f"benchmark: {' '.join(cmd)} ended with {p.returncode}:\n{p.stderr[-2000:]}")
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)", p.stderr)
    h, m, s = wall.groups()
    seconds = int(h or 0) * 3600 + int(m) * 60 + float(s)
    rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", p.stderr).group(1))
    return seconds, rss, p.stdout


class DelayProxy:
    """scripts/pg_proxy.py between mirtosek and the server: every round trip
    delayed, and counted."""

    def __init__(self, server, delay_ms):
        self.server = server
        self.host = re.search(r"host=(\S+)", server).group(1)
        self.port = re.search(r"port=(\d+)", server).group(1)
        self.listen = str(int(self.port) + 1000)
        self.p = subprocess.Popen([sys.executable, os.path.join(HERE, "pg_proxy.py"), "--listen", self.listen,
                                   "--server", f"{self.host}:{self.port}", "--delay-ms", str(delay_ms)],
                                  stdout=subprocess.PIPE, text=True)
        assert self.p.stdout.readline().strip() == "ready"

    def point(self, root, back=False):
        """Makes the installation at root reach its server through the proxy (or directly again)."""
        ini = os.path.join(root, "Vorn.ini")
        with open(ini, newline="") as f:
            text = f.read()
        old, new = (f"port={self.port}", f"port={self.listen}")
        if back:
            old, new = new, old
        with open(ini, "w", newline="") as f:
            f.write(text.replace(old, new))

    def count(self):
        self.p.send_signal(signal.SIGUSR1)
        return int(self.p.stdout.readline())

    def stop(self):
        self.p.terminate()
        self.p.wait()


def write_station(tmp, mode, language, device="NUL"):
    os.makedirs(tmp, exist_ok=True)
    with open(os.path.join(tmp, "VornTerm.ini"), "w", newline="") as f:
        f.write(f"[Sistema]\r\nSortida={device}\r\nIdioma={language}\r\n")
    with open(os.path.join(tmp, "pent.tmp"), "w", newline="") as f:
        f.write(f"15/03/2024\r\n1\r\n1\r\n9999\r\n9999\r\n01\r\n12\r\n{mode}\r\nCARTA\r\nS\r\nS\r\nS\r\n")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--sizes", default="1000,10000,100000")
    p.add_argument("--runs", type=int, default=3)
    p.add_argument("--bin", default=os.path.join(ROOT, "build", "programs", "tools"))
    p.add_argument("--work", default=os.path.join(ROOT, "build", "bench"))
    p.add_argument("--server", help="also run modes I and A with the data on this PostgreSQL server "
                                    "(libpq connection string)")
    p.add_argument("--server-sizes", default="10000", help="the sizes at which --server is measured")
    p.add_argument("--server-delay-ms", type=float, default=0.5,
                   help="also measure the server runs through a proxy that delays every round trip by "
                        "this much, and count the round trips (0: neither)")
    a = p.parse_args()
    tools = {t: os.path.join(a.bin, t) for t in ("mirtosek", "kepwalk", "kepdata", "divivovi")}
    exe = os.path.join(a.work, "exe")
    os.makedirs(exe, exist_ok=True)
    with open(os.path.join(exe, "DIVIVOVI"), "w") as f:
        f.write("#!/bin/sh\nexit 0\n")
    os.chmod(os.path.join(exe, "DIVIVOVI"), 0o755)

    rows = []
    server_ratios = []
    round_trip_rows = []
    print_program = None
    for n in [int(x) for x in a.sizes.split(",")]:
        place = os.path.join(a.work, str(n))
        if not os.path.exists(os.path.join(place, "inst", "DADES", "DepartaV.dat")):
            shutil.rmtree(place, ignore_errors=True)
            subprocess.run([sys.executable, os.path.join(HERE, "make_installation.py"), "--units", str(n),
                            "--out", place, "--kepdata", tools["kepdata"]], check=True)
        inst = os.path.join(place, "inst") + "/"
        tmp = os.path.join(place, "tmp")

        def env_for(root):
            e = dict(os.environ, KEPROOT=root, KEPEXE=exe + "/", KEPTMP=tmp)
            return e

        def measure(label, cmd, mode, language, fresh_copy=False):
            walls, peaks = [], []
            for _ in range(a.runs):
                root = inst
                if fresh_copy:
                    copy = os.path.join(place, "inst_a")
                    shutil.rmtree(copy, ignore_errors=True)
                    shutil.copytree(inst, copy)
                    os.sync()  # the copy's writes must not land inside the timed run
                    root = copy + "/"
                write_station(tmp, mode, language)
                wall, peak, out = timed(cmd, env_for(root))
                walls.append(wall)
                peaks.append(peak)
            return label, statistics.median(walls), statistics.median(peaks), out

        _, base_wall, base_peak, walked = measure("baseline", [tools["kepwalk"]], "I", "CAT")
        units = int(walked.strip())
        results = [("baseline (record reads)", base_wall, base_peak)]
        for label, mode, language, fresh in (("I, Catalan", "I", "CAT", False), ("I, Spanish", "I", "SPA", False),
                                             ("C, Catalan", "C", "CAT", False), ("A, Catalan", "A", "CAT", True)):
            _, wall, peak, _ = measure(label, [tools["mirtosek"]], mode, language, fresh)
            results.append((label, wall, peak))
        if a.server and str(n) in a.server_sizes.split(","):
            sqlite_wall = {label: wall for label, wall, _ in results}

            def server_copy(name):
                """A copy of the installation with its data in schema bench_<n>_<name>."""
                schema = f"bench_{n}_{name}"
                root = os.path.join(place, "server_" + name)
                subprocess.run(["psql", a.server, "-qc", f"SET client_min_messages=warning; DROP SCHEMA IF EXISTS {schema} CASCADE"],
                               check=True, stdout=subprocess.DEVNULL)
                shutil.rmtree(root, ignore_errors=True)
                subprocess.run([tools["kepdata"], "init", root, "--server", a.server, "--schema", schema],
                               check=True, stdout=subprocess.DEVNULL)
                subprocess.run([tools["kepdata"], "copy", inst, root], check=True, stdout=subprocess.DEVNULL)
                for folder in ("LOCALE", "TEXTOS"):
                    shutil.copytree(os.path.join(inst, folder), os.path.join(root, folder), dirs_exist_ok=True)
                return root + "/"

            server_inst = server_copy("i")
            for label, mode in (("I, Catalan", "I"), ("A, Catalan", "A")):
                walls, peaks = [], []
                for _ in range(a.runs):
                    root = server_copy("a") if mode == "A" else server_inst
                    os.sync()
                    write_station(tmp, mode, "CAT")
                    wall, peak, _ = timed([tools["mirtosek"]], env_for(root))
                    walls.append(wall)
                    peaks.append(peak)
                wall = statistics.median(walls)
                results.append((f"{label}, server", wall, statistics.median(peaks)))
                server_ratios.append((n, label, wall / sqlite_wall[label]))
            if a.server_delay_ms > 0:
                proxy = DelayProxy(a.server, a.server_delay_ms)
                for label, mode in (("I, Catalan", "I"), ("A, Catalan", "A")):
                    walls, peaks, trips = [], [], []
                    for _ in range(a.runs):
                        root = server_copy("a") if mode == "A" else server_inst
                        proxy.point(root)
                        os.sync()
                        write_station(tmp, mode, "CAT")
                        before = proxy.count()
                        wall, peak, _ = timed([tools["mirtosek"]], env_for(root))
                        trips.append(proxy.count() - before)
                        walls.append(wall)
                        peaks.append(peak)
                    results.append((f"{label}, server +{a.server_delay_ms:g} ms", statistics.median(walls),
                                    statistics.median(peaks)))
                    round_trip_rows.append((n, units, label, statistics.median(trips)))
                    proxy.point(server_inst, back=True)
                proxy.stop()
        for label, wall, peak in results:
            rows.append((n, units, label, wall, units / wall, peak / 1024, wall / base_wall))
        if n == 10000:
            write_station(tmp, "I", "CAT", device="PDF")
            timed([tools["mirtosek"]], env_for(inst))
            walls = [timed([tools["divivovi"], os.path.join(tmp, "divivovi.tmp"), "--pdf", os.path.join(tmp, "r.pdf"),
                            "--text", os.path.join(tmp, "r.txt")], env_for(inst))[0] for _ in range(a.runs)]
            print_program = statistics.median(walls)

    print(f"\nmedian of {a.runs} runs; print program that does nothing; times in seconds\n")
    print(f"{'N':>7} {'units':>7}  {'run':<24} {'wall s':>8} {'units/s':>9} {'peak MiB':>9} {'x baseline':>10}")
    for n, units, label, wall, rate, peak, ratio in rows:
        print(f"{n:>7} {units:>7}  {label:<24} {wall:>8.2f} {rate:>9.0f} {peak:>9.1f} {ratio:>10.2f}")
    for n, label, ratio in server_ratios:
        print(f"server / SQLite at {n} units, {label}: {ratio:.2f}")
    for n, units, label, trips in round_trip_rows:
        print(f"server round trips at {n} units, {label}: {trips:.0f}, {trips / units:.2f} per unit")
    if print_program is not None:
        print(f"\nprint program alone, the 10,000-unit report to PDF and text: {print_program:.2f} s")


if __name__ == "__main__":
    main()
