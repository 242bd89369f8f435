"""The recorded results of mutants, one JSON line each, and their summary."""

import json
import os
import sys


def read_results(path):
    results = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as fh:
            for line in fh:
                try:
                    r = json.loads(line)
                    results[r["id"]] = r
                except (ValueError, KeyError):
                    continue  # a line cut short by an interruption
    return results


def folder_of(file):
    return file.split("/")[0]


def summarize(chosen, results, equivalents, out=sys.stdout):
    rows = {}
    survivors = []
    for s in chosen:
        status = "equivalent" if s.id in equivalents else results.get(s.id, {}).get("status", "pending")
        for key in (folder_of(s.file), "overall"):
            row = rows.setdefault(key, {"tried": 0, "stillborn": 0, "killed": 0, "survived": 0,
                                        "equivalent": 0, "pending": 0})
            if status == "pending":
                row["pending"] += 1
            else:
                row["tried"] += 1
                row[status] += 1
        if status == "survived":
            survivors.append(s)
    print("%-10s %6s %9s %7s %8s %10s %7s %8s" % ("folder", "tried", "stillborn", "killed", "survived",
                                                 "equivalent", "score", "pending"), file=out)
    for key in sorted(k for k in rows if k != "overall") + ["overall"]:
        r = rows[key]
        counted = r["tried"] - r["stillborn"] - r["equivalent"]
        score = "%.1f%%" % (100.0 * r["killed"] / counted) if counted else "-"
        print("%-10s %6d %9d %7d %8d %10d %7s %8d" % (key, r["tried"], r["stillborn"], r["killed"],
                                                     r["survived"], r["equivalent"], score, r["pending"]), file=out)
    if survivors:
        print("\nsurvivors:", file=out)
        for s in survivors:
            print("  " + s.describe(), file=out)
    return rows
