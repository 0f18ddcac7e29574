#!/usr/bin/env python3
"""Planted-fault runner: applies each fault of faults.txt to the sources,
rebuilds, runs the tests and records whether the suite noticed.

Each fault names an exact `old` snippet that must occur exactly once in the
whole src/ host/ cli/ tools/ tree; the file is found by that search, never by
a path, so moving sources between folders does not break a fault. The file is
always restored, also when the run is interrupted (a backup beside the build
directory is restored at the next start if a run was killed).

Run through run.sh; see --help.
"""
import argparse
import datetime
import json
import os
import re
import shlex
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
SEARCH_DIRS = ("src", "host", "cli", "tools")
SKIP_DIRS = {".git", "build", ".cache"}


# ----------------------------------------------------------------- faults file

class Fault:
    def __init__(self, fid, area, description):
        self.id = fid
        self.area = area
        self.description = description
        self.old = None
        self.new = None
        self.note = ""
        self.line = 0


def parse_faults(path):
    """Blocks of the form

    === F01 | area | description
    note: optional free text (e.g. why the suite is expected to miss it)
    --- old
    <exact lines>
    --- new
    <exact lines>

    The snippet is the lines between the markers joined with LF, without a
    final line end; it ends at the next '=== ' line or '#==' section line.
    Lines starting with '#' outside snippets are comments."""
    faults = []
    current = None
    mode = None
    buf = []

    def flush():
        nonlocal buf
        if current is not None and mode in ("old", "new"):
            text = "\n".join(buf)
            setattr(current, mode, text)
        buf = []

    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, line in enumerate(lines, 1):
        if line.startswith("#=="):
            flush()
            mode = None
            continue
        if line.startswith("=== "):
            flush()
            parts = [p.strip() for p in line[4:].split("|", 2)]
            if len(parts) != 3:
                raise SystemExit(f"{path}:{number}: expected '=== ID | area | description'")
            current = Fault(*parts)
            current.line = number
            faults.append(current)
            mode = None
            continue
        if line in ("--- old", "--- new"):
            flush()
            mode = line[4:]
            continue
        if mode is None:
            if current is not None and line.startswith("note:"):
                current.note = line[5:].strip()
            elif line.strip() and not line.startswith("#") and current is not None:
                raise SystemExit(f"{path}:{number}: unexpected line outside a snippet: {line!r}")
            continue
        buf.append(line)
    flush()
    # A snippet ends at the next block; blank lines separating blocks are not part of it.
    for fault in faults:
        for attr in ("old", "new"):
            text = getattr(fault, attr)
            if text is None:
                raise SystemExit(f"{path}:{fault.line}: fault {fault.id} lacks '--- {attr}'")
            while text.endswith("\n"):
                text = text[:-1]
            setattr(fault, attr, text)
        if fault.old == fault.new:
            raise SystemExit(f"{path}:{fault.line}: fault {fault.id}: old and new are the same")
    ids = [f.id for f in faults]
    dupes = {i for i in ids if ids.count(i) > 1}
    if dupes:
        raise SystemExit(f"{path}: duplicate fault ids {sorted(dupes)}")
    return faults


# ---------------------------------------------------------- locating snippets

def source_files():
    for top in SEARCH_DIRS:
        base = os.path.join(ROOT, top)
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames[:] = sorted(d for d in dirnames if d not in SKIP_DIRS)
            for name in sorted(filenames):
                yield os.path.join(dirpath, name)


_cache = None


def read_sources():
    global _cache
    if _cache is None:
        _cache = {}
        for path in source_files():
            with open(path, "rb") as f:
                _cache[path] = f.read()
    return _cache


def locate(fault):
    """(path, count) of the one file holding the snippet; count is the number
    of occurrences in the whole tree."""
    needle = fault.old.encode("utf-8")
    hits = []
    for path, data in read_sources().items():
        n = data.count(needle)
        if n:
            hits.append((path, n))
    total = sum(n for _, n in hits)
    return (hits[0][0] if len(hits) == 1 else None), total, hits


def rel(path):
    return os.path.relpath(path, ROOT)


# ------------------------------------------------------------ restore safety

class Backup:
    """Keeps the original bytes of the mutated file on disk until restored."""

    def __init__(self, state_dir):
        self.state = os.path.join(state_dir, "pending-restore.json")
        os.makedirs(state_dir, exist_ok=True)

    def restore_stale(self):
        if not os.path.exists(self.state):
            return
        with open(self.state, encoding="utf-8") as f:
            info = json.load(f)
        path = info["path"]
        original = bytes.fromhex(info["bytes"])
        with open(path, "wb") as f:
            f.write(original)
        os.remove(self.state)
        print(f"restored {rel(path)} left mutated by an interrupted run", file=sys.stderr)

    def save(self, path, data):
        tmp = self.state + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump({"path": path, "bytes": data.hex()}, f)
        os.replace(tmp, self.state)

    def restore(self):
        self.restore_stale()


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


# ------------------------------------------------------------------- running

def run(cmd, log, timeout=None):
    log.write(f"$ {' '.join(shlex.quote(c) for c in cmd)}\n")
    log.flush()
    p = subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                       errors="replace", timeout=timeout)
    log.write(p.stdout)
    log.flush()
    return p.returncode, p.stdout


def is_test_output(path):
    # Objects and executables of the test programs; everything else is the product.
    return bool(re.search(r"(^|/)tests/|CMakeFiles/test_|(^|/)bin/test_", path))


def build_command(args):
    cmd = ["cmake", "--build", args.build, "-j", str(args.jobs)]
    if args.targets:
        cmd += ["--target", *args.targets.split()]
    return cmd


def build(args, log):
    rc, out = run(build_command(args), log)
    if rc == 0:
        return "ok", []
    failed = re.findall(r"^FAILED: (.*)$", out, flags=re.M)
    outputs = [f.split()[0] for f in failed] if failed else []
    if outputs and all(is_test_output(o) for o in outputs):
        return "test-build", outputs
    return "product-build", outputs


def ctest(args, log, regex=None):
    cmd = ctest_command(args, regex)
    rc, out = run(cmd, log)
    failed = []
    section = out.split("The following tests FAILED:", 1)
    if len(section) == 2:
        for line in section[1].splitlines():
            m = re.match(r"\s*\d+ - (\S+)", line)
            if m:
                failed.append(m.group(1))
    m = re.search(r"(\d+)% tests passed, (\d+) tests failed out of (\d+)", out)
    total = int(m.group(3)) if m else None
    if rc != 0 and not failed:
        failed = ["(ctest failed: see log)"]
    return rc == 0, failed, total


def ctest_command(args, regex=None):
    cmd = ["ctest", "--test-dir", args.build, "-j", str(args.jobs), "--timeout", str(args.timeout),
           "--output-on-failure"]
    if regex or args.regex:
        cmd += ["-R", regex or args.regex]
    if args.stop_on_failure:
        cmd += ["--stop-on-failure"]
    return cmd


def kill_lists(path):
    """The failing tests of each fault in an earlier results file ({id: [test, ...]})."""
    lists, current = {}, None
    for line in open(path, encoding="utf-8"):
        if line.startswith("#") or not line.strip():
            continue
        if line[0] in " \t":
            if current:
                lists[current] += [t for t in line.split() if not t.startswith("(")]
        else:
            current = line.split("\t", 1)[0].split()[0]
            lists[current] = []
    return {k: v for k, v in lists.items() if v}


def exact_names(names):
    """A ctest -R regex matching exactly these test names."""
    special = set(".[]()*+?^$|\\")
    return "^(" + "|".join("".join("\\" + c if c in special else c for c in n) for n in names) + ")$"


def git_describe():
    try:
        head = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT, capture_output=True,
                              text=True).stdout.strip()
        dirty = subprocess.run(["git", "status", "--porcelain", "--", *SEARCH_DIRS], cwd=ROOT,
                               capture_output=True, text=True).stdout.strip()
        return head + (" (sources modified)" if dirty else "")
    except OSError:
        return "?"


# ---------------------------------------------------------------------- main

def main():
    ap = argparse.ArgumentParser(
        prog="tests/mutations/run.sh",
        description="Plant each fault of faults.txt, rebuild, run the tests, report CAUGHT/MISSED.")
    ap.add_argument("ids", nargs="*", help="fault ids to run (default: all); a trailing '*' matches a prefix")
    ap.add_argument("--build", default=os.environ.get("BUILD", "build"),
                    help="build directory, configured already (default: $BUILD or build)")
    ap.add_argument("--faults", default=os.path.join(HERE, "faults.txt"))
    ap.add_argument("--out", help="results file (default: BUILD/mutations/results.txt)")
    ap.add_argument("--jobs", type=int, default=int(os.environ.get("JOBS", "2")))
    ap.add_argument("--timeout", type=int, default=120, help="ctest per-test timeout (s)")
    ap.add_argument("--regex", default=os.environ.get("TESTS_REGEX"),
                    help="only tests matching this ctest -R regex (faster, less strict)")
    ap.add_argument("--targets", default=os.environ.get("TARGETS"),
                    help="build only these targets (blank-separated; faster): programs left out keep "
                         "their unmutated build and cannot catch, so a fault can only look missed, "
                         "never wrongly caught")
    ap.add_argument("--stop-on-failure", action="store_true",
                    help="stop ctest at the first failing test (faster; the failing-test list is then partial)")
    ap.add_argument("--first", metavar="RESULTS",
                    help="run each fault's failing tests of an earlier results file first; when one of "
                         "them fails the fault is caught (the verdict a whole-suite run would give, "
                         "with a partial kill list), else the tests run as without this option")
    ap.add_argument("--skip-clean-run", action="store_true",
                    help="do not first check that the unmodified sources build and pass")
    ap.add_argument("--check", action="store_true",
                    help="only check that every fault's snippet occurs exactly once; build nothing")
    ap.add_argument("--list", action="store_true", help="list the faults and where they apply")
    args = ap.parse_args()

    faults = parse_faults(args.faults)
    first = kill_lists(args.first) if args.first else {}
    if args.ids:
        chosen = []
        for want in args.ids:
            match = [f for f in faults
                     if f.id == want or (want.endswith("*") and f.id.startswith(want[:-1]))]
            if not match:
                raise SystemExit(f"no fault {want}")
            chosen += [f for f in match if f not in chosen]
        faults = chosen

    args.build = os.path.abspath(os.path.join(ROOT, args.build)) if not os.path.isabs(args.build) else args.build
    state_dir = os.path.join(args.build, "mutations")
    backup = Backup(state_dir)
    backup.restore_stale()

    problems = 0
    located = {}
    for f in faults:
        path, total, hits = locate(f)
        if total != 1:
            where = ", ".join(f"{rel(p)} x{n}" for p, n in hits) or "nowhere"
            print(f"{f.id}: the old snippet occurs {total} times ({where}); it must occur exactly once",
                  file=sys.stderr)
            problems += 1
        else:
            located[f.id] = path
    if args.list or args.check:
        for f in faults:
            print(f"{f.id:5} {f.area:22} {rel(located[f.id]) if f.id in located else '??':45} {f.description}")
        print(f"{len(faults)} faults, {problems} with a snippet that is not unique", file=sys.stderr)
        return 1 if problems else 0
    if problems:
        return 1
    if not os.path.exists(os.path.join(args.build, "CMakeCache.txt")):
        raise SystemExit(f"{args.build} is not a configured build directory")

    out_path = args.out or os.path.join(state_dir, "results.txt")
    log_path = os.path.join(state_dir, "log.txt")
    log = open(log_path, "w", encoding="utf-8")
    print(f"log: {log_path}")

    # Interrupts become exceptions so the finally clauses restore the sources.
    def on_signal(signum, frame):
        raise KeyboardInterrupt(f"signal {signum}")
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)

    started = time.time()
    if not args.skip_clean_run:
        print("clean run: building and testing the unmodified sources ...", flush=True)
        t0 = time.time()
        state, outputs = build(args, log)
        if state != "ok":
            raise SystemExit(f"the unmodified sources do not build ({outputs}); see {log_path}")
        ok, failed, total = ctest(args, log)
        if not ok:
            raise SystemExit(f"the unmodified sources fail tests {failed}; see {log_path}")
        print(f"clean run: {total} tests pass ({time.time() - t0:.0f} s)", flush=True)

    results = []
    try:
        for f in faults:
            path = located[f.id]
            with open(path, "rb") as fh:
                original = fh.read()
            t0 = time.time()
            mutated = original.replace(f.old.encode("utf-8"), f.new.encode("utf-8"), 1)
            backup.save(path, original)
            log.write(f"\n===== {f.id} {rel(path)}: {f.description}\n")
            try:
                write_bytes(path, mutated)
                state, outputs = build(args, log)
                failed = []
                if state == "ok":
                    ok, failed = True, []
                    if first.get(f.id) and not args.regex:
                        ok, failed, total = ctest(args, log, exact_names(first[f.id]))
                        # Only a named failing test counts; a list whose names are gone runs nothing.
                        if not total or any(n.startswith("(") for n in failed):
                            ok, failed = True, []
                    if ok:
                        ok, failed, _ = ctest(args, log)
                    verdict = "MISSED" if ok else "CAUGHT"
                elif state == "test-build":
                    verdict, failed = "CAUGHT", ["(test build broke) " + " ".join(outputs)]
                else:
                    verdict, failed = "INVALID", ["(product does not compile) " + " ".join(outputs)]
            finally:
                write_bytes(path, original)
                os.remove(backup.state)
            seconds = time.time() - t0
            results.append((f, rel(path), verdict, failed, seconds))
            shown = ", ".join(failed[:3]) + (f" (+{len(failed) - 3})" if len(failed) > 3 else "")
            print(f"{f.id:5} {verdict:8} {seconds:5.0f}s  {f.area}: {f.description}"
                  + (f"\n      by {shown}" if shown else ""), flush=True)
    except KeyboardInterrupt:
        print("interrupted; the sources are restored", file=sys.stderr)
    finally:
        # Leave the build matching the restored sources (cheap with ccache).
        build(args, log)

    total_time = time.time() - started
    write_results(out_path, args, results, total_time)
    print_table(results, total_time)
    print(f"results: {out_path}")
    return 0


def print_table(results, total_time):
    print()
    print(f"{'id':5} {'verdict':8} {'area':24} description")
    print("-" * 100)
    for f, path, verdict, failed, seconds in results:
        print(f"{f.id:5} {verdict:8} {f.area:24} {f.description}")
    counts = {v: sum(1 for r in results if r[2] == v) for v in ("CAUGHT", "MISSED", "INVALID")}
    print("-" * 100)
    print(f"{len(results)} faults: {counts['CAUGHT']} caught, {counts['MISSED']} missed, "
          f"{counts['INVALID']} invalid; {total_time / 60:.1f} min")


def write_results(out_path, args, results, total_time):
    os.makedirs(os.path.dirname(os.path.abspath(out_path)), exist_ok=True)
    counts = {v: sum(1 for r in results if r[2] == v) for v in ("CAUGHT", "MISSED", "INVALID")}
    cmd = ctest_command(args)
    cmd[2] = "BUILD"
    with open(out_path, "w", encoding="utf-8") as f:
        f.write("# Planted-fault results (tests/mutations/run.sh)\n")
        f.write(f"# date:     {datetime.datetime.now().strftime('%Y-%m-%d %H:%M')}\n")
        f.write(f"# sources:  {git_describe()}\n")
        build_cmd = build_command(args)
        build_cmd[2] = "BUILD"
        f.write(f"# build:    {' '.join(build_cmd)}\n")
        f.write(f"# tests:    {' '.join(cmd)}\n")
        if args.first:
            f.write(f"# first:    each fault's failing tests in {rel(os.path.abspath(args.first))}, "
                    f"then the command above when none of them failed\n")
        f.write(f"# result:   {len(results)} faults: {counts['CAUGHT']} CAUGHT, {counts['MISSED']} MISSED, "
                f"{counts['INVALID']} INVALID; {total_time / 60:.1f} min in all\n")
        f.write("# columns:  id, verdict, seconds, area, file the fault went into, description;\n")
        f.write("#           an indented line lists the tests that failed.\n\n")
        for fault, path, verdict, failed, seconds in results:
            f.write(f"{fault.id}\t{verdict}\t{seconds:.0f}\t{fault.area}\t{path}\t{fault.description}\n")
            if failed:
                f.write("\t" + " ".join(failed) + "\n")


if __name__ == "__main__":
    sys.exit(main())
