#!/usr/bin/env python3
"""Runs the fault catalogue (faults/NAME.txt, described in CONTRIBUTING.md): each entry puts
one realistic mistake into build/faults/src, a scratch copy of the working tree's tracked
files committed there (for the release check), and the checks it names must then fail. Its
build trees are kept and compiled through ccache, so only what an entry changes is rebuilt;
the Windows checks run in a Wine session of their own on --port (TIRNA_FAULTS_PORT, default
47111). Fails when an entry is missed, or no longer applies (stale).

  scripts/faults.py [NAME ...]   every entry, or the named ones
  scripts/faults.py --list       the entries and their mistakes
"""

import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CATALOGUE = ROOT / "faults"
SCRATCH = ROOT / "build" / "faults"
SRC = SCRATCH / "src"
LOGS = SCRATCH / "logs"
ENV = {k: v for k, v in os.environ.items() if k != "TIRNA_USE_DISPLAY"} | {"CCACHE_DIR": str(SCRATCH / "ccache")}


class Stale(Exception):
    """The entry no longer applies to the tree."""


def parse(path):
    entry = {"name": path.stem, "mistake": None, "checks": [], "file": None, "find": None,
             "replace": None, "patch": None}
    text = path.read_text()
    parts = re.split(r"^(find|patch):\n", text, maxsplit=1, flags=re.M)
    head, block, body = parts if len(parts) == 3 else (text, None, "")
    for line in head.splitlines():
        key, _, value = line.partition(":")
        if key in ("mistake", "file"):
            entry[key] = value.strip()
        elif key == "check":
            entry["checks"].append(shlex.split(value))
        elif line.strip() and not line.startswith("#"):
            raise SystemExit(f"{path}: cannot read the line {line!r}")
    if block == "patch":
        entry["patch"] = body
    elif block == "find":
        parts = re.split(r"^replace:\n", body, maxsplit=1, flags=re.M)
        if len(parts) != 2 or not parts[0]:
            raise SystemExit(f"{path}: find: needs the lines to find, then replace: and their replacement")
        entry["find"], entry["replace"] = parts
    kinds = ("windows", "native", "fuzz", "release", "script")
    if not entry["mistake"] or not entry["checks"] or not (
            entry["patch"] is not None or (entry["file"] and entry["find"] is not None)) or any(
            c[0] not in kinds or (c[0] != "release" and len(c) < 2) for c in entry["checks"]):
        raise SystemExit(f"{path}: an entry needs mistake:, its checks ({', '.join(kinds)}), and "
                         "file:, find: and replace:, or patch: (CONTRIBUTING.md)")
    return entry


def run(command, log, timeout=None):
    with open(log, "a") as out:
        out.write("$ " + " ".join(map(str, command)) + "\n")
        out.flush()
        try:
            return subprocess.run(command, cwd=SRC, stdout=out, stderr=subprocess.STDOUT,
                                  stdin=subprocess.DEVNULL, env=ENV, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            out.write(f"(ended after {timeout} s)\n")
            return 124


def git(*args, check=True):
    return subprocess.run(["git", *args], cwd=SRC, check=check, capture_output=True, text=True)


def sync_scratch():
    """Brings build/faults/src to the working tree's tracked files, touching only
    files that differ, and commits that state there."""
    listed = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True,
                            capture_output=True).stdout.decode().split("\0")
    wanted = {name for name in listed if name and (ROOT / name).is_file()}
    if not (SRC / ".git").is_dir():
        SRC.mkdir(parents=True, exist_ok=True)
        git("init", "-q")
        for key, value in (("user.name", "fault catalogue"), ("user.email", "faults@localhost")):
            git("config", key, value)
    for name in sorted(set(git("ls-files", "-z").stdout.split("\0")) - wanted - {""}):
        (SRC / name).unlink(missing_ok=True)
    for name in wanted:
        source, target = ROOT / name, SRC / name
        data = source.read_bytes()
        if not target.is_file() or target.read_bytes() != data:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
        shutil.copymode(source, target)
    git("add", "-A")
    if git("status", "--porcelain").stdout:
        git("commit", "-q", "-m", "The tree the fault catalogue runs on")


class Builds:
    """The scratch tree's two build trees and the Windows one's Wine session."""

    def __init__(self, port):
        self.port, self.configured, self.session = port, set(), False

    def build(self, preset, log):
        if preset not in self.configured:
            options = [f"-DTIRNA_SERVICE_ORIGIN=http://127.0.0.1:{self.port}"]
            if shutil.which("ccache"):
                options += ["-DCMAKE_C_COMPILER_LAUNCHER=ccache",
                            "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
            if run(["cmake", "--preset", preset, *options], log) != 0:
                return False
            self.configured.add(preset)
        if run(["cmake", "--build", "--preset", preset], log) != 0:
            return False
        if preset == "windows" and not self.session:
            self.session = run(["scripts/wine-session.sh", "start", "build/windows"], log) == 0
            return self.session
        return True

    def stop(self):
        if self.session:
            run(["scripts/wine-session.sh", "stop", "build/windows"], LOGS / "session.log")


def run_check(check, log):
    """True when the check fails, as it must with the fault in."""
    kind = check[0]
    if kind in ("windows", "native"):
        listed = subprocess.run(["ctest", "--preset", kind, "-N", "-R", check[1]], cwd=SRC, env=ENV,
                                capture_output=True, text=True).stdout
        if not re.search(r"^\s*Test\s+#\d+: ", listed, re.M):
            raise Stale(f"its check `{' '.join(check)}` matches no test of the {kind} build")
        return run(["ctest", "--preset", kind, "-R", check[1]], log) != 0
    if kind == "fuzz":
        fuzzer = SRC / "build" / "native" / "bin" / f"{check[1]}_fuzzer"
        if not fuzzer.is_file():
            raise Stale(f"its check `{' '.join(check)}` names no fuzzer ({fuzzer} is missing)")
        corpus = SCRATCH / "fuzz" / check[1]
        shutil.rmtree(corpus, ignore_errors=True)
        shutil.copytree(SRC / "fuzz" / "corpus" / check[1], corpus)
        return run([fuzzer, *check[2:], "-max_len=4096", "-timeout=10", "-rss_limit_mb=2048",
                    f"-artifact_prefix={SCRATCH / 'fuzz'}/", corpus], log, timeout=300) != 0
    if kind == "release":
        return run(["timeout", "--kill-after=10", "600", "scripts/check-release.sh"], log) != 0
    return run(check[1:], log, timeout=600) != 0


def applies(entry):
    """Raises Stale unless the entry's change applies to the scratch tree as it is."""
    if entry["patch"] is not None:
        patch = SCRATCH / f"{entry['name']}.patch"
        patch.write_text(entry["patch"])
        checked = git("apply", "--check", str(patch), check=False)
        if checked.returncode != 0:
            raise Stale(f"its patch no longer applies: {checked.stderr.strip()}")
        return patch
    path = SRC / entry["file"]
    if not path.is_file():
        raise Stale(f"its file {entry['file']} does not exist")
    count = path.read_text().count(entry["find"])
    if count != 1:
        where = "is not found" if count == 0 else f"is found {count} times"
        raise Stale(f"in {entry['file']}, the text to find {where}:\n" +
                    "".join("        | " + line for line in entry["find"].splitlines(True)))
    return path


def apply(entry):
    """Puts the fault in; returns what takes it out again."""
    target = applies(entry)
    if entry["patch"] is not None:
        git("apply", str(target))
        return lambda: git("apply", "-R", str(target))
    original = target.read_text()
    target.write_text(original.replace(entry["find"], entry["replace"]))
    return lambda: target.write_text(original)


def play(entry, builds):
    """Returns (verdict, detail): caught, MISSED or STALE."""
    log = LOGS / f"{entry['name']}.log"
    log.write_text(f"{entry['name']}: {entry['mistake']}\n")
    undo = apply(entry)
    release = any(check[0] == "release" for check in entry["checks"])
    try:
        if release:
            git("commit", "-q", "-a", "-m", f"Fault: {entry['mistake']}")
        passed = []
        for check in entry["checks"]:
            preset = {"windows": "windows", "native": "native", "fuzz": "native"}.get(check[0])
            if preset and not builds.build(preset, log):
                return "MISSED", f"the tree with the fault does not build (see {log})"
            if not run_check(check, log):
                passed.append(" ".join(check))
    finally:
        if release:
            git("reset", "-q", "--hard", "HEAD~1")
        else:
            undo()
    if passed:
        return "MISSED", "these checks pass with the fault in: " + "; ".join(passed) + f" (see {log})"
    return "caught", ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("names", nargs="*", help="entries to run (faults/NAME.txt); all by default")
    parser.add_argument("--list", action="store_true", help="list the entries and stop")
    parser.add_argument("--port", type=int, default=int(os.environ.get("TIRNA_FAULTS_PORT", 47111)))
    args = parser.parse_args()

    paths = sorted(CATALOGUE.glob("*.txt"))
    if args.names:
        paths = [CATALOGUE / f"{n}.txt" for n in args.names]
        if not all(p.is_file() for p in paths):
            raise SystemExit(f"no such entry among {', '.join(args.names)} (faults/NAME.txt)")
    entries = [parse(p) for p in paths]
    if args.list:
        for entry in entries:
            print(f"{entry['name']}: {entry['mistake']}")
        return 0

    start = time.monotonic()
    LOGS.mkdir(parents=True, exist_ok=True)
    sync_scratch()
    builds = Builds(args.port)
    results = []

    def report(entry, verdict, detail, seconds=0.0):
        results.append(verdict)
        print(f"{verdict:7} {entry['name']} ({seconds:.0f} s)" + (f"\n        {detail}" if detail else ""),
              flush=True)

    # Every stale entry is named at once, before the long part of the run.
    ready = []
    for entry in entries:
        try:
            applies(entry)
            ready.append(entry)
        except Stale as stale:
            report(entry, "STALE", f"the entry no longer applies: {stale}")
    try:
        for entry in ready:
            began = time.monotonic()
            try:
                verdict, detail = play(entry, builds)
            except Stale as stale:
                verdict, detail = "STALE", f"the entry no longer applies: {stale}"
            report(entry, verdict, detail, time.monotonic() - began)
    finally:
        builds.stop()
    minutes, seconds = divmod(int(time.monotonic() - start), 60)
    bad = [v for v in results if v != "caught"]
    print(f"{len(results) - len(bad)} of {len(results)} caught, {results.count('MISSED')} missed, "
          f"{results.count('STALE')} stale; {minutes} min {seconds} s")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
