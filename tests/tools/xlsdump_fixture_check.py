#!/usr/bin/env python3
"""Reads a fixture workbook with xlsdump and compares the cells with the dump
an independent reader (xlrd) made of the same file, using oracle-dump.py's
comparison: numbers as exact doubles, texts exactly, dates as serials of the
1900 date system, error cells left out (the model keeps no error values).

usage: xlsdump_fixture_check.py XLSDUMP FIXTURE [--password P]
                                [--renamed-sheet N=NAME]

--renamed-sheet: the workbook model refuses sheet names with characters
such as '?'; the N-th sheet (1-based) is then expected under NAME.
"""
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def main(argv):
    xlsdump, fixture = argv[1], argv[2]
    password, renamed = None, {}
    rest = argv[3:]
    while rest:
        if rest[0] == "--password":
            password, rest = rest[1], rest[2:]
        elif rest[0] == "--renamed-sheet":
            n, name = rest[1].split("=", 1)
            renamed[int(n)] = name
            rest = rest[2:]
        else:
            print("unknown argument %r" % rest[0])
            return 2
    command = [xlsdump, fixture] + (["--password", password] if password else [])
    run = subprocess.run(command, capture_output=True)
    if run.returncode != 0:
        print("xlsdump failed (%d): %s" % (run.returncode, run.stderr.decode("utf-8", "replace")))
        return 1
    with open(fixture + ".expected.jsonl", encoding="utf-8") as f:
        expected = f.read().splitlines()
    header = json.loads(expected[0])
    for n, name in renamed.items():
        header["sheets"][n - 1] = name
    expected[0] = json.dumps(header, ensure_ascii=False, separators=(",", ":"))
    with tempfile.TemporaryDirectory() as tmp:
        exp_path = os.path.join(tmp, "expected.jsonl")
        act_path = os.path.join(tmp, "actual.jsonl")
        with open(exp_path, "w", encoding="utf-8") as f:
            f.write("\n".join(expected) + "\n")
        with open(act_path, "wb") as f:
            f.write(run.stdout)
        cmp = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "oracle-dump.py"), "--compare",
                              "--dates-as-numbers", "--model-dates", "--no-errors", exp_path, act_path],
                             capture_output=True)
    sys.stdout.write(cmp.stdout.decode("utf-8", "replace"))
    return cmp.returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv))
