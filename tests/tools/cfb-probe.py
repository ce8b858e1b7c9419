#!/usr/bin/env python3
"""cfb-probe.py -- independent checks of compound documents through olefile.

  cfb-probe.py tree FILE
      Checks every storage's child tree: binary search order by the compound
      document name order (shorter name first, then UTF-16 units compared after
      upper-casing) and the red-black rules (black root, no red node with a red
      child, the same number of black nodes on every path). Prints the problems;
      exit 0 when there are none, 1 otherwise.

  cfb-probe.py extract FILE STREAM OUT
      Writes the bytes olefile reads from STREAM ("Storage/Stream") to OUT.

Exit 2 on usage errors, 3 when olefile is missing.
"""
import struct
import sys

try:
    import olefile
except ImportError:
    sys.stderr.write("olefile is not installed\n")
    sys.exit(3)

NOSTREAM = 0xFFFFFFFF
RED, BLACK = 0, 1


def units(entry):
    raw = entry.name_raw[: max(entry.namelength - 2, 0)]
    return list(struct.unpack("<%dH" % (len(raw) // 2), raw[: len(raw) // 2 * 2]))


def upcase(u):
    if 0xD800 <= u <= 0xDFFF:
        return u
    up = chr(u).upper()
    return ord(up) if len(up) == 1 and ord(up) < 0x10000 else u


def key(entry):
    us = units(entry)
    return (len(us), [upcase(u) for u in us])


def check_tree(ole, parent, problems):
    ents = ole.direntries

    def entry(sid):
        if ents[sid] is None:
            ole._load_direntry(sid)
        return ents[sid]

    def black_height(sid, lo, hi, parent_red, depth):
        if sid == NOSTREAM:
            return 1
        if depth > 10000:
            problems.append("%r: tree too deep" % parent.name)
            return 0
        e = entry(sid)
        k = key(e)
        if (lo is not None and not lo < k) or (hi is not None and not k < hi):
            problems.append("%r: child %r out of order" % (parent.name, e.name))
        red = e.color == RED
        if red and parent_red:
            problems.append("%r: red %r has a red parent" % (parent.name, e.name))
        left = black_height(e.sid_left, lo, k, red, depth + 1)
        right = black_height(e.sid_right, k, hi, red, depth + 1)
        if left != right:
            problems.append("%r: black heights differ below %r" % (parent.name, e.name))
        return left + (0 if red else 1)

    root = parent.sid_child
    if root != NOSTREAM and entry(root).color != BLACK:
        problems.append("%r: tree root %r is red" % (parent.name, entry(root).name))
    black_height(root, None, None, False, 0)
    for kid in parent.kids:
        if kid.entry_type == olefile.STGTY_STORAGE:
            check_tree(ole, kid, problems)


def main(argv):
    if len(argv) == 3 and argv[1] == "tree":
        ole = olefile.OleFileIO(argv[2])
        problems = []
        check_tree(ole, ole.root, problems)
        for p in problems:
            print(p)
        return 1 if problems else 0
    if len(argv) == 5 and argv[1] == "extract":
        ole = olefile.OleFileIO(argv[2])
        data = ole.openstream(argv[3]).read()
        with open(argv[4], "wb") as f:
            f.write(data)
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
