#!/usr/bin/python3
"""Writes the test data of the decryption tests into tests/data/crypto/.

xlwt-plain.bin: the records of the Workbook stream of a small two-sheet
workbook written by xlwt (without its zero padding), the plain input of the
encryption round trips.

For every RC4 workbook written by LibreOffice (see the fixture README for how
they were made): NAME.enc.bin is its Workbook stream as stored, NAME.plain.bin
the Workbook stream of the copy that msoffcrypto-tool decrypted. Streams
longer than LIMIT bytes are cut at the last record boundary below it.

Usage: extract_crypto_streams.py FIXTURE_DIR OUT_DIR
"""
import io
import struct
import sys

import msoffcrypto
import olefile

FIXTURES = {
    "rc4-libreoffice-secret.xls": "secret",
    "rc4-libreoffice-velvetsweatshop.xls": "VelvetSweatshop",
    "rc4-libreoffice-devices-unicode-pw.xls": "p\u00e4ssw\u00f6rd\u20ac",
    "rc4-libreoffice-tiny-pw15.xls": "0123456789abcde",
}
LIMIT = 48 * 1024


def workbook_stream(data):
    return olefile.OleFileIO(io.BytesIO(data)).openstream("Workbook").read()


def record_boundary_below(stream, limit):
    pos = 0
    while pos + 4 <= len(stream):
        size = struct.unpack_from("<H", stream, pos + 2)[0]
        if pos + 4 + size > limit:
            break
        pos += 4 + size
    return pos


def write_xlwt_plain(out_dir):
    import xlwt
    book = xlwt.Workbook(encoding="utf-8")
    first = book.add_sheet("Devices")
    for row in range(60):
        first.write(row, 0, f"camera {row:03d} \u00e9t\u00e9")
        first.write(row, 1, row * 1.25)
    second = book.add_sheet("Zweite")
    for row in range(20):
        second.write(row, 0, f"long text {row} " + "abc" * row)
    data = io.BytesIO()
    book.save(data)
    stream = workbook_stream(data.getvalue())
    pos = 0
    while pos + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, pos)
        if rid == 0 and size == 0:
            break
        pos += 4 + size
    open(f"{out_dir}/xlwt-plain.bin", "wb").write(stream[:pos])
    print("xlwt-plain", pos)


def main(fixture_dir, out_dir):
    write_xlwt_plain(out_dir)
    for name, password in FIXTURES.items():
        raw = open(f"{fixture_dir}/{name}", "rb").read()
        office = msoffcrypto.OfficeFile(io.BytesIO(raw))
        office.load_key(password=password)
        plain = io.BytesIO()
        office.decrypt(plain)
        enc = workbook_stream(raw)
        dec = workbook_stream(plain.getvalue())
        assert len(enc) == len(dec)
        cut = record_boundary_below(enc, LIMIT) if len(enc) > LIMIT else len(enc)
        stem = name[: -len(".xls")]
        open(f"{out_dir}/{stem}.enc.bin", "wb").write(enc[:cut])
        open(f"{out_dir}/{stem}.plain.bin", "wb").write(dec[:cut])
        print(stem, len(enc), "->", cut)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
