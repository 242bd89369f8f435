"""The parts of scripts/mutate.py, by what each does."""
