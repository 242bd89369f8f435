"""One mutant: planted in its source file, built, tested, and the file restored byte for byte."""

import json
import os
import signal
import time

from mutation.common import ROOT, err


def restore_from_journal(journal):
    """A run killed outright (SIGKILL) leaves its journal: put the file it had changed back."""
    if os.path.exists(journal):
        with open(journal, encoding="utf-8") as fh:
            j = json.load(fh)
        with open(os.path.join(ROOT, j["file"]), "wb") as fh:
            fh.write(j["original"].encode("latin-1"))
        os.remove(journal)
        err("restored %s, left mutated by a run that was killed" % j["file"])


def run_mutant(s, suite, limit, args, journal):
    path = os.path.join(ROOT, s.file)
    with open(path, "rb") as fh:
        original = fh.read()
    text = original.decode("utf-8")
    mutated = text[:s.start] + s.new + text[s.end:]
    record = {"id": s.id, "file": s.file, "line": s.line, "col": s.col, "op": s.op,
              "from": s.before.strip(), "to": s.after.strip()}
    start = time.monotonic()
    with open(journal, "w", encoding="utf-8") as fh:
        json.dump({"file": s.file, "original": original.decode("latin-1")}, fh)
    try:
        before = suite.stamps()
        with open(path, "wb") as fh:
            fh.write(mutated.encode("utf-8"))
        code, _ = suite.build(args.build_timeout)
        if code != 0:
            record.update(status="stillborn", seconds=round(time.monotonic() - start, 1))
            return record
        clean = suite.clean_objects.get(s.file)
        if clean is not None and suite.object_digest(s.file) == clean:
            # Not compiled for this target (another target's branch of an #if), or compiled
            # to the same code: nothing a test could see.
            record.update(status="equivalent", reason="object code unchanged",
                          seconds=round(time.monotonic() - start, 1))
            return record
        killer, _ = suite.run(suite.affected(before, suite.stamps()), limit)
        also = getattr(args, "also_suite", None)
        if not killer and also is not None:
            # A fault only the sanitizers see (an overflow, a leak): their build's suites decide.
            also_before = also.stamps()
            code, _ = also.build(args.build_timeout)
            if code == 0:
                killer, _ = also.run(also.affected(also_before, also.stamps()), 3 * limit)
                killer = killer and "%s: %s" % (args.also, killer)
        record.update(status="killed" if killer else "survived", seconds=round(time.monotonic() - start, 1))
        if killer:
            record["killer"] = killer
        return record
    finally:
        # Restored byte for byte (a second Ctrl-C waits until it is); the next build compiles the
        # original again.
        signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM})
        with open(path, "wb") as fh:
            fh.write(original)
        os.remove(journal)
        signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGINT, signal.SIGTERM})
