#!/usr/bin/python3
"""Writes seeds for fuzz_crypto (layout in CryptoFuzz.cpp) into
fuzz/corpus/fuzz_crypto/: the FILEPASS body, password and the records after
INTERFACEHDR of encrypted streams, from the LibreOffice RC4 streams in
tests/data/crypto and from the test encryptor (XOR, RC4 CryptoAPI).

Usage: make_crypto_corpus.py ENCRYPT_TOOL
"""
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests/data/crypto")
OUT = os.path.join(ROOT, "fuzz/corpus/fuzz_crypto")


def records(stream):
    pos = 0
    while pos + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, pos)
        yield rid, pos, size
        pos += 4 + size


def seed(name, stream, password, flags):
    recs = list(records(stream))
    fp = next(i for i, r in enumerate(recs) if r[0] == 0x2F)
    _, fp_pos, fp_size = recs[fp]
    body = stream[fp_pos + 4: fp_pos + 4 + fp_size]
    _, next_pos, next_size = recs[fp + 1]
    start = next_pos + 4 + next_size
    units = password.encode("utf-16-le")
    data = bytes([flags]) + struct.pack("<H", len(body)) + body + bytes([len(password)]) + units
    data += struct.pack("<I", start) + stream[start: start + 3000]
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main(tool):
    os.makedirs(OUT, exist_ok=True)
    for stem, password in [("rc4-libreoffice-secret", "secret"), ("rc4-libreoffice-velvetsweatshop", ""),
                           ("rc4-libreoffice-tiny-pw15", "0123456789abcde")]:
        with open(os.path.join(DATA, stem + ".enc.bin"), "rb") as f:
            seed(stem, f.read(), password, 1)
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "enc.bin")
        for method, password in [("xor", "Obfusc8"), ("cryptoapi40", "forty"), ("cryptoapi128", "p\u00e4ss")]:
            subprocess.run([tool, method, password, os.path.join(DATA, "xlwt-plain.bin"), out], check=True)
            with open(out, "rb") as f:
                seed("encryptor-" + method, f.read(), password, 0)


if __name__ == "__main__":
    main(sys.argv[1])
