#!/usr/bin/env python3
"""Mutation runner for the module's sources (client/, hostapi/, tools/, util/, platform/).

Plants one small fault at a time in a source file (an operator swapped, a condition negated, a
literal changed, a call deleted, a return value replaced), rebuilds what the tests need in an
existing build tree, runs the fast suites (unit, module tests and the example scenarios) and
records whether a test noticed. The source file is restored byte for byte after every mutant,
also on Ctrl-C or SIGTERM.

    scripts/mutate.py --seed 1 --count 200                  # a sample over all module folders
    scripts/mutate.py --files util/format.cpp --count 40    # one file (or a folder: util/)
    scripts/mutate.py --target win32 --files util/format.cpp
    scripts/mutate.py --preset linux-asan --files client/
    scripts/mutate.py --seed 1 --count 200 --summary        # figures of what is recorded
    scripts/mutate.py --seed 1 --count 200 --list           # the sample, without running it

Results: one JSON line per mutant in build/mutation/<preset>.jsonl. A run skips mutants already
recorded there, so an interrupted run resumes; --retry-survivors runs the recorded survivors
again (after tests were added). Mutants listed in tests/mutation-equivalent.txt are counted as
equivalent and not run. Score = killed / (tried - stillborn - equivalent).
"""

import argparse
import json
import os
import signal
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from mutation.common import ROOT, err, usage_error  # noqa: E402
from mutation.equivalents import EQUIVALENT_FILE, match_equivalents, read_equivalents  # noqa: E402
from mutation.results import read_results, summarize  # noqa: E402
from mutation.run import restore_from_journal, run_mutant  # noqa: E402
from mutation.sites import module_files, sample, split_ranges  # noqa: E402
from mutation.suite import Interrupted, Suite, on_signal  # noqa: E402


def parse_args():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    ap.add_argument("--count", type=int, default=100, help="number of mutants (default 100)")
    ap.add_argument("--files", nargs="+", metavar="PATH",
                    help="module sources or folders to mutate; FILE:FIRST-LAST for a range of lines")
    ap.add_argument("--target", choices=["linux", "win32", "win64"], default="linux")
    ap.add_argument("--preset", choices=["linux", "linux-asan", "win32", "win64"],
                    help="build preset (default: the target's own; linux-asan counts what only the sanitizers see)")
    ap.add_argument("--also", choices=["linux-asan"],
                    help="run a mutant that survives the preset's suites again in this build's suites "
                         "(the sanitizers' build, which CI runs too); killed there counts as killed")
    ap.add_argument("--timeout", type=float, default=0,
                    help="seconds the tests of one mutant may take before it counts as killed "
                         "(default: 60 s or 5 times the clean run, whichever is longer)")
    ap.add_argument("--build-timeout", type=float, default=900, help="seconds one build may take (default 900)")
    ap.add_argument("--jobs", type=int, default=2, help="parallel build jobs (default 2)")
    ap.add_argument("--retry-survivors", action="store_true", help="run recorded survivors again")
    ap.add_argument("--list", action="store_true", help="print the sample and exit")
    ap.add_argument("--summary", action="store_true", help="print the recorded figures of the sample and exit")
    return ap.parse_args()


def main():
    args = parse_args()
    if args.count < 1:
        return usage_error("--count must be at least 1")
    preset = args.preset or args.target
    if args.target in ("win32", "win64") and preset != args.target:
        return usage_error("--preset %s does not build --target %s" % (preset, args.target))
    # Both Windows targets build the Windows platform code.
    platform_dir = "platform/win32" if preset in ("win32", "win64") else "platform/posix"

    patterns, ranges = split_ranges(args.files)
    chosen, per_file, total = sample(module_files(patterns), platform_dir, args.seed, args.count, ranges)
    if total == 0:
        return usage_error("no mutation sites in the chosen files for preset %s" % preset)
    equivalents = match_equivalents(read_equivalents(os.path.join(ROOT, EQUIVALENT_FILE)), per_file, preset)
    if args.list:
        for s in chosen:
            print(("[equivalent] " if s.id in equivalents else "") + s.describe())
        print("%d of %d sites" % (len(chosen), total), file=sys.stderr)
        return 0

    results_dir = os.path.join(ROOT, "build", "mutation")
    results_path = os.path.join(results_dir, preset + ".jsonl")
    results = read_results(results_path)
    if args.summary:
        print("seed %d, %d mutants of %d sites, preset %s" % (args.seed, len(chosen), total, preset))
        summarize(chosen, results, equivalents)
        return 0

    if args.also and (preset != "linux" or args.also == preset):
        return usage_error("--also %s goes with --preset linux" % args.also)
    build_dir = os.path.join(ROOT, "build", preset)
    for p in [preset] + ([args.also] if args.also else []):
        if not os.path.exists(os.path.join(ROOT, "build", p, "CMakeCache.txt")):
            err("no build tree in build/%s; make it first with:\n  cmake --preset %s%s && cmake --build --preset %s -j2"
                % (p, p, " -DZV_BENCH=OFF" if p == "linux" else "", p))
            return 2
    os.makedirs(results_dir, exist_ok=True)
    journal = os.path.join(results_dir, "restore.json")
    restore_from_journal(journal)

    signal.signal(signal.SIGINT, on_signal)
    signal.signal(signal.SIGTERM, on_signal)
    suite = Suite(build_dir, args.jobs)
    try:
        code, out = suite.build(args.build_timeout)
        if code != 0:
            err("the build of build/%s fails without any mutant:\n%s" % (preset, out[-3000:]))
            return 1
        suite = Suite(build_dir, args.jobs)  # the module file exists now
        suite.remember_clean_objects({c.file for c in chosen})
        if not suite.baseline(600):
            return 1
        if args.also:
            also = Suite(os.path.join(ROOT, "build", args.also), args.jobs)
            code, out = also.build(args.build_timeout)
            if code != 0:
                err("the build of build/%s fails without any mutant:\n%s" % (args.also, out[-3000:]))
                return 1
            also = Suite(os.path.join(ROOT, "build", args.also), args.jobs)
            if not also.baseline(1800):
                return 1
            args.also_suite = also
        clean = sum(t["time"] for t in suite.tests)
        limit = args.timeout or max(60.0, 5 * clean)
        print("clean run: %d tests in %.1f s; per-mutant limit %.0f s; %d of %d sites sampled (seed %d)"
              % (len(suite.tests), clean, limit, len(chosen), total, args.seed), file=sys.stderr)

        todo = [s for s in chosen if s.id not in equivalents and
                (s.id not in results or (args.retry_survivors and results[s.id]["status"] == "survived"))]
        with open(results_path, "a", encoding="utf-8") as log:
            for n, s in enumerate(todo, 1):
                r = run_mutant(s, suite, limit, args, journal)
                r.update({"seed": args.seed, "preset": preset, "when": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime())})
                results[s.id] = r
                log.write(json.dumps(r, sort_keys=True) + "\n")
                log.flush()
                detail = " (%s)" % r["killer"] if r.get("killer") else ""
                print("[%d/%d] %s:%d %s: %s%s, %.1f s" % (n, len(todo), s.file, s.line, s.op, r["status"],
                                                           detail, r["seconds"]), flush=True)
    except Interrupted:
        err("interrupted; the source is restored and the results so far are in %s"
            % os.path.relpath(results_path, ROOT))
        return 130
    print()
    print("seed %d, %d mutants of %d sites, preset %s" % (args.seed, len(chosen), total, preset))
    summarize(chosen, results, equivalents)
    return 0



if __name__ == "__main__":
    try:
        sys.exit(main())
    except BrokenPipeError:
        sys.exit(1)
