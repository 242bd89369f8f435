#!/usr/bin/env python3
"""Writes a scenario on a crowded page to standard output, for measuring reports and runs.

    scripts/crowded-scenario.py GRAPHICS [NAVIGATION] [ROUNDS] > crowded.zvs

One frame holds GRAPHICS rectangles, 5 and 4 pt in turn, 100 to a row, 6 pt apart. Then come
NAVIGATION steps through the stack (in each 20: 9 x Select Next Object Above, 9 x Below, Select
Parent Object with its expectation, a select of another graphic; an expectation of the selection
every 50), then ROUNDS rounds of: select a 5 pt graphic, Copy Graphic Props, expect the clipboard,
select a 4 pt graphic, Paste Graphic Size, expect, Undo Operation, expect, Undo Operation (which
redoes), expect. Every expectation holds. Defaults: 400 navigation steps, 100 rounds.
"""
import sys


def main(argv):
    if not 2 <= len(argv) <= 4 or not all(a.isdigit() for a in argv[1:]):
        sys.exit(__doc__.strip().splitlines()[2].strip())
    n = int(argv[1])
    nav = int(argv[2]) if len(argv) > 2 else 400
    rounds = int(argv[3]) if len(argv) > 3 else 100
    if n < 40 or n // 2 < rounds:
        sys.exit("crowded-scenario: at least 40 graphics, and two for each round")
    out = ["# A crowded page: %d graphics on one frame." % n, "document d", "frame f at 0 0 size 612 792"]
    for i in range(n):
        side = 5 if i % 2 == 0 else 4
        out.append("graphic g%d rect at %d %d size %d %d in f" % (i, i % 100 * 6, i // 100 * 6, side, side))
    above, below = "choose Zorvan > Select > Select Next Object Above", "choose Zorvan > Select > Select Next Object Below"
    out += ["# Walking the stack.", "select g%d" % (n // 2)]
    at, block = n // 2, 0
    for step in range(nav):
        k = step % 20
        if k < 9:
            out.append(above)
            at += 1
        elif k < 18:
            out.append(below)
            at -= 1
        elif k == 18:
            out += ["choose Zorvan > Select > Select Parent Object", "expect selection f"]
        else:
            block += 1
            at = (n // 2 + block * 37) % (n - 20) + 1
            out.append("select g%d" % at)
        if step % 50 == 49 and k != 18:
            out.append("expect selection g%d" % at)
    out.append("# Copying the size of one graphic to another, undoing and redoing it.")
    pasted = set()  # a 4 pt graphic keeps 5 pt after the redo: each round takes a fresh one
    for r in range(rounds):
        a, j = 2 * (r * 7 % (n // 2)), r * 11 % (n // 2)
        while j in pasted:
            j = (j + 1) % (n // 2)
        pasted.add(j)
        b = 2 * j + 1
        out += ["select g%d" % a, "choose Zorvan > Copy Graphic Props",
                "expect clipboard = %d %d 5 5" % (a % 100 * 6, a // 100 * 6), "select g%d" % b,
                "choose Zorvan > Paste Graphic Size", "expect g%d.width = 5" % b, "choose Zorvan > Undo Operation",
                "expect g%d.width = 4" % b, "choose Zorvan > Undo Operation", "expect g%d.width = 5" % b]
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv)
