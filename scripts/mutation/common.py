"""What the parts of the mutation runner share: the project root and the diagnostics."""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def err(msg):
    print("mutate.py: " + msg, file=sys.stderr)


def usage_error(msg):
    err(msg)
    return 2
