#!/usr/bin/python3
"""Writes seeds for fuzz_decrypt_open (layout in DecryptOpenFuzz.cpp) into
fuzz/corpus/decrypt_open/: small encrypted record streams with the password
that opens them, both whole and split into FILEPASS body and following
records; from the LibreOffice RC4 stream in tests/data/crypto and from the
test encryptor (XOR, RC4, RC4 CryptoAPI 40 and 128 bit, the default password).

Usage: make_decrypt_open_corpus.py ENCRYPT_TOOL
"""
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests/data/crypto")
OUT = os.path.join(ROOT, "fuzz/corpus/decrypt_open")
WHOLE, COMPOUND, AROUND = 0, 1, 2
BOF_SIZE = 20


def password_field(password):
    units = password.encode("utf-16-le")
    return bytes([len(units) // 2]) + units


def write_seeds(name, stream, password):
    field = password_field(password)
    with open(os.path.join(OUT, name + "-whole"), "wb") as f:
        f.write(bytes([WHOLE]) + field + stream)
    with open(os.path.join(OUT, name + "-compound"), "wb") as f:
        f.write(bytes([COMPOUND]) + field + stream)
    # FILEPASS right after the globals BOF, as every producer writes it.
    rid, size = struct.unpack_from("<HH", stream, BOF_SIZE)
    assert rid == 0x2F, name
    body = stream[BOF_SIZE + 4:BOF_SIZE + 4 + size]
    rest = stream[BOF_SIZE + 4 + size:]
    with open(os.path.join(OUT, name + "-around"), "wb") as f:
        f.write(bytes([AROUND]) + field + struct.pack("<H", size) + body + rest)


def main(tool):
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(DATA, "rc4-libreoffice-tiny-pw15.enc.bin"), "rb") as f:
        write_seeds("rc4-libreoffice-tiny", f.read(), "0123456789abcde")
    plain = os.path.join(DATA, "xlwt-plain.bin")
    with tempfile.TemporaryDirectory() as work:
        for method, password in [("xor", "Obfusc8"), ("rc4", "s\u00e9same"), ("rc4", "VelvetSweatshop"),
                                 ("cryptoapi40", "forty"), ("cryptoapi128", "x" * 40)]:
            target = os.path.join(work, "out.bin")
            subprocess.run([tool, method, password, plain, target], check=True)
            with open(target, "rb") as f:
                stream = f.read()
            given = "" if password == "VelvetSweatshop" else password
            write_seeds("encryptor-%s-%d" % (method, len(password)), stream, given)


if __name__ == "__main__":
    main(sys.argv[1])
