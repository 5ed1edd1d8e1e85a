#!/usr/bin/env python3
"""The pictures in res/ are exactly what tools/gen_pictures.py draws.

    check_generated.py GENERATOR RES_FOLDER

Runs the generator twice into temporary folders (with different hash seeds, so an output that
depends on set or dict order shows up as a difference), then compares every file it writes with
the committed one byte for byte, and looks for committed pictures the generator no longer makes.
"""

import os
import subprocess
import sys
import tempfile

PICTURE_SUFFIXES = (".bmp", ".ico")


def generate(generator, folder, hash_seed):
    env = dict(os.environ, PYTHONHASHSEED=str(hash_seed))
    subprocess.run([sys.executable, generator, folder], check=True, env=env, timeout=300)
    files = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            files[name] = f.read()
    return files


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: check_generated.py GENERATOR RES_FOLDER")
    generator, res = argv[1], argv[2]
    failures = []
    with tempfile.TemporaryDirectory(prefix="horvane-pictures-") as scratch:
        first = generate(generator, os.path.join(scratch, "a"), 1)
        second = generate(generator, os.path.join(scratch, "b"), 2)

    if not first:
        failures.append("the generator wrote no files")
    if first != second:
        changed = sorted(n for n in set(first) | set(second) if first.get(n) != second.get(n))
        failures.append("two runs of the generator differ in: " + ", ".join(changed))

    for name, data in first.items():
        path = os.path.join(res, name)
        if not os.path.exists(path):
            failures.append("%s: made by the generator but not in %s" % (name, res))
            continue
        with open(path, "rb") as f:
            committed = f.read()
        if committed != data:
            failures.append(
                "%s: committed file differs from the generator's (%d vs %d bytes, first at byte %d)"
                % (name, len(committed), len(data), first_difference(committed, data))
            )

    for name in sorted(os.listdir(res)):
        if name.endswith(PICTURE_SUFFIXES) and name not in first:
            failures.append("%s: in %s but no longer made by the generator" % (name, res))

    for failure in failures:
        print("FAIL: " + failure)
    if failures:
        print("Run `python3 tools/gen_pictures.py` and commit res/ if the change is intended.")
        return 1
    print("%d generated files match %s" % (len(first), res))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
