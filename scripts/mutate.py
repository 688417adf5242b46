#!/usr/bin/env python3
"""Mutation check: which faults in the core's decisions would the tests miss?

Makes small faults (mutants) in src/rules, src/transfer, src/store and
src/base: a relational operator flipped, a limit constant moved by one step,
a `!` or one condition of a chain removed, `&&` and `||` swapped. Each mutant
is built incrementally in a build folder of its own, beside a copy of the
sources, and the whole test suite runs against it. A mutant the suite lets
pass is a survivor: a fault nobody would notice. The sources of the checkout
are never touched.

  scripts/mutate.sh --sample 40 --seed 1      # 40 mutants drawn with seed 1
  scripts/mutate.sh --list                    # every mutant, nothing built
  scripts/mutate.sh --only src/base/NumberText.cpp:102
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MUTATED_FOLDERS = ("src/rules", "src/transfer", "src/store", "src/base")
# The instrument's side of the protocol is the simulator's, not the core's.
SKIPPED_FOLDERS = ("src/transfer/serial/instrument",)
# Lines whose mutants cannot build or cannot matter.
SKIPPED_LINE = re.compile(r"static_assert|Q_ASSERT|\bassert\s*\(|qDebug|qWarning")

RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
# clang-format puts blanks around binary operators and none inside template
# brackets, so an operator between blanks is a comparison.
RELATIONAL_AT = re.compile(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
LOGICAL_AT = re.compile(r"(?<=\s)(&&|\|\|)(?=\s)")
NOT_AT = re.compile(r"(?<![\w)\]!=<>])!(?=[\w(:])")
NUMBER_AT = re.compile(r"(?<![\w.])(\d+)(?:\.(\d+))?(?![\w.])")
LIMIT_LINE = re.compile(r"constexpr|(?<=\s)(<=|>=|==|!=|<|>)(?=\s)")
IF_AT = re.compile(r"\bif\s*\(")


@dataclass
class Mutant:
    path: str  # relative to the project root
    line: int
    start: int  # offset in the file's text
    end: int
    replacement: str
    kind: str
    original: str

    def label(self):
        shown = self.original.strip().replace("\n", " ")
        shown = re.sub(r"\s+", " ", shown)
        return f"{self.path}:{self.line}: {self.kind}: '{shown}' -> '{self.replacement.strip()}'"

    def apply(self, text):
        return text[: self.start] + self.replacement + text[self.end :]


def masked(text):
    """The text with comments, string and character literals and preprocessor
    lines blanked out (same length, newlines kept), so that only code matches."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c == "#":
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
            continue
        if c == "\n":
            line_start = True
            i += 1
            continue
        if not c.isspace():
            line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
        elif c in "\"'":
            if c == '"' and i > 0 and text[i - 1] == "R":
                close = text.find('(', i)
                delim = ")" + text[i + 1 : close] + '"'
                j = text.find(delim, close)
                j = n if j < 0 else j + len(delim)
            else:
                j = i + 1
                while j < n and text[j] != c:
                    j += 2 if text[j] == "\\" else 1
                j = min(n, j + 1)
            for k in range(i + 1, j - 1):
                if out[k] != "\n":
                    out[k] = " "
            i = j
        else:
            i += 1
    return "".join(out)


def top_level_operands(cond, base):
    """Splits a condition at its top-level && or || (one kind only); returns
    the operator and the operands as (start, end) offsets, or None."""
    depth, cuts, kinds = 0, [], set()
    i = 0
    while i < len(cond):
        c = cond[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0 and cond.startswith(("&&", "||"), i) and cond[i - 1 : i].isspace():
            cuts.append(i)
            kinds.add(cond[i : i + 2])
            i += 2
            continue
        elif depth == 0 and c == "?":
            return None  # a conditional expression: leave it whole
        i += 1
    if len(kinds) != 1:
        return None
    op = kinds.pop()
    bounds, prev = [], 0
    for cut in cuts:
        bounds.append((base + prev, base + cut))
        prev = cut + 2
    bounds.append((base + prev, base + len(cond)))
    return op, bounds


def mutants_of(rel, text):
    code = masked(text)
    found = []
    line_starts = [0] + [m.end() for m in re.finditer("\n", text)]

    def line_of(offset):
        lo, hi = 0, len(line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if line_starts[mid] <= offset:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1

    def line_text(offset):
        ln = line_of(offset)
        start = line_starts[ln - 1]
        end = code.find("\n", start)
        return code[start : end if end >= 0 else len(code)]

    def add(start, end, replacement, kind):
        if SKIPPED_LINE.search(line_text(start)):
            return
        found.append(Mutant(rel, line_of(start), start, end, replacement, kind, text[start:end]))

    for m in RELATIONAL_AT.finditer(code):
        add(m.start(), m.end(), RELATIONAL[m.group(1)], "relational")
    for m in LOGICAL_AT.finditer(code):
        add(m.start(), m.end(), "||" if m.group(1) == "&&" else "&&", "logical")
    for m in NOT_AT.finditer(code):
        add(m.start(), m.end(), "", "negation removed")
    for m in NUMBER_AT.finditer(code):
        if not LIMIT_LINE.search(line_text(m.start())):
            continue
        whole, frac = m.group(1), m.group(2)
        if frac is None:
            value = int(whole)
            steps = [value + 1] + ([value - 1] if value > 0 else [])
            for v in steps:
                add(m.start(), m.end(), str(v), "limit moved")
        else:
            scale = 10 ** len(frac)
            value = int(whole) * scale + int(frac)
            for v in (value + 1, value - 1):
                if v < 0:
                    continue
                add(m.start(), m.end(), f"{v // scale}.{v % scale:0{len(frac)}d}", "limit moved")
    for m in IF_AT.finditer(code):
        open_at = m.end() - 1
        depth, j = 0, open_at
        while j < len(code):
            if code[j] == "(":
                depth += 1
            elif code[j] == ")":
                depth -= 1
                if depth == 0:
                    break
            j += 1
        split = top_level_operands(code[open_at + 1 : j], open_at + 1)
        if re.match(r"\s*return\b", code[j + 1 :]):
            # An early return is a check: drop it whole.
            add(open_at + 1, j, "false", "check removed")
        if not split:
            continue
        op, bounds = split
        for k, (s, e) in enumerate(bounds):
            # The operand goes with the operator that joins it to its neighbour.
            if k + 1 < len(bounds):
                cut_start, cut_end = s, bounds[k + 1][0]
            else:
                cut_start, cut_end = bounds[k - 1][1], e
            add(cut_start, cut_end, " " if k + 1 == len(bounds) else "", "condition removed")
    found.sort(key=lambda mu: (mu.line, mu.start, mu.replacement))
    return found


def all_mutants():
    result = []
    for folder in MUTATED_FOLDERS:
        for path in sorted((ROOT / folder).rglob("*.cpp")):
            rel = path.relative_to(ROOT).as_posix()
            if rel.startswith(SKIPPED_FOLDERS):
                continue
            result.extend(mutants_of(rel, path.read_text(encoding="utf-8")))
    return result


def project_files():
    listed = subprocess.run(
        ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
        cwd=ROOT, check=True, capture_output=True).stdout.decode().split("\0")
    return [f for f in listed if f and (ROOT / f).is_file()]


def sync_tree(tree):
    """Copies the checkout into `tree`, touching only files that differ, so the
    build folder beside it stays incremental."""
    wanted = set(project_files())
    for rel in wanted:
        src, dst = ROOT / rel, tree / rel
        if dst.is_file() and dst.read_bytes() == src.read_bytes():
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(src, dst)
    for path in tree.rglob("*"):
        if path.is_file() and path.relative_to(tree).as_posix() not in wanted:
            path.unlink()


def run(cmd, timeout=None, quiet=True):
    """Runs a command in its own process group; returns (exit code or None on
    timeout, seconds)."""
    started = time.monotonic()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    proc = subprocess.Popen(cmd, start_new_session=True, env=env,
                            stdout=subprocess.DEVNULL if quiet else None,
                            stderr=subprocess.DEVNULL if quiet else None)
    try:
        code = proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        code = None
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise
    return code, time.monotonic() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sample", type=int, default=40, help="how many mutants to try (0: all)")
    parser.add_argument("--seed", type=int, default=1, help="the seed of the sample")
    parser.add_argument("--only", action="append", default=[],
                        help="FILE or FILE:LINE: try only mutants there (repeatable)")
    parser.add_argument("--list", action="store_true", help="list the mutants; build nothing")
    parser.add_argument("--build-dir", default=str(ROOT / "build-mutate"),
                        help="the folder for the source copy and its build (default build-mutate)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()

    mutants = all_mutants()
    if args.only:
        def chosen(mu):
            return any(mu.path == o or f"{mu.path}:{mu.line}" == o for o in args.only)
        mutants = [mu for mu in mutants if chosen(mu)]
    total = len(mutants)
    if args.sample and args.sample < total:
        mutants = random.Random(args.seed).sample(mutants, args.sample)
        mutants.sort(key=lambda mu: (mu.path, mu.start))
    if args.list:
        for mu in mutants:
            print(mu.label())
        print(f"{len(mutants)} of {total} mutants")
        return 0
    if not mutants:
        print("No mutants match.", file=sys.stderr)
        return 2

    work = Path(args.build_dir).resolve()
    tree, build = work / "tree", work / "build"
    tree.mkdir(parents=True, exist_ok=True)
    sync_tree(tree)
    if not (build / "build.ninja").is_file():
        code, _ = run(["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja",
                       "-DCMAKE_BUILD_TYPE=Release", "-DPLANDOR_BENCH=OFF",
                       "-DPLANDOR_SHARED_CORE=ON"], quiet=False)
        if code != 0:
            print("Configuring the mutation build failed.", file=sys.stderr)
            return 2
    build_cmd = ["cmake", "--build", str(build), "-j", str(args.jobs)]
    test_cmd = ["ctest", "--test-dir", str(build), "-j", str(args.jobs), "--stop-on-failure"]

    print(f"Building the unmutated sources in {build} ...", flush=True)
    if run(build_cmd, quiet=False)[0] != 0:
        print("The unmutated sources do not build.", file=sys.stderr)
        return 2
    code, baseline = run(test_cmd + ["--output-on-failure"], quiet=False)
    if code != 0:
        print("The test suite fails without any mutant: fix that first.", file=sys.stderr)
        return 2
    # A mutant that makes a test hang counts as caught once it takes far
    # longer than the whole suite did.
    limit = 3 * baseline + 60
    print(f"Suite: {baseline:.0f} s unmutated. Trying {len(mutants)} of {total} mutants "
          f"(seed {args.seed}).", flush=True)

    killed, survived, unbuilt = [], [], []
    started = time.monotonic()
    for n, mu in enumerate(mutants, 1):
        path = tree / mu.path
        original = path.read_text(encoding="utf-8")
        try:
            path.write_text(mu.apply(original), encoding="utf-8")
            built, build_time = run(build_cmd)
            if built != 0:
                verdict, test_time = "did not build", 0.0
                unbuilt.append(mu)
            else:
                code, test_time = run(test_cmd, timeout=limit)
                if code == 0:
                    verdict = "SURVIVED"
                    survived.append(mu)
                else:
                    verdict = "killed" if code is not None else "killed (hung)"
                    killed.append(mu)
        finally:
            path.write_text(original, encoding="utf-8")
        print(f"[{n}/{len(mutants)}] {verdict:13} {mu.label()}  "
              f"(build {build_time:.0f} s, tests {test_time:.0f} s)", flush=True)
    run(build_cmd)  # leave the build folder matching the sources

    print()
    if survived:
        print("Surviving mutants (faults the tests miss):")
        for mu in survived:
            print("  " + mu.label())
    tried = len(killed) + len(survived)
    score = 100.0 * len(killed) / tried if tried else 0.0
    print(f"Mutation score: {len(killed)} of {tried} killed ({score:.1f}%); "
          f"{len(unbuilt)} did not build; {time.monotonic() - started:.0f} s.")
    return 0 if not survived else 1


if __name__ == "__main__":
    sys.exit(main())
