#!/usr/bin/env python3
"""fixture_devices.py EXPECTED.jsonl N -- the device list a workbook holds, as
read by xlrd (the fixture's expected cell dump): rows 1 to N of sheet 1 up to
the first row without a name, columns 1 to 4, every value trimmed of
characters of code 0 to 32.  One device per line, fields separated by a tab.
Exit 1 when a cell is not text or a value holds a tab or line break."""
import json
import sys


def main():
    lines = open(sys.argv[1], encoding="utf-8").read().splitlines()[1:]
    limit = int(sys.argv[2])
    rows = {}
    for line in lines:
        cell = json.loads(line)
        if cell["sheet"] == 1 and cell["col"] <= 4 and cell["row"] <= limit:
            if cell["type"] != "text":
                sys.exit(1)
            rows.setdefault(cell["row"], {})[cell["col"]] = cell["value"]
    out = []
    for row in range(1, limit + 1):
        values = [rows.get(row, {}).get(col, "").strip("".join(map(chr, range(33)))) for col in range(1, 5)]
        if not values[0]:
            break
        if any(c in v for v in values for c in "\t\r\n"):
            sys.exit(1)
        out.append("\t".join(values))
    sys.stdout.write("".join(v + "\n" for v in out))


if __name__ == "__main__":
    main()
