#!/usr/bin/env python3
"""Opens workbooks encrypted by the test encryptor (whose output independent
decrypters accept, see crypto_independent_check.py) with xlsdump and compares
the cells with xlrd's dump of the plain workbook they were made from.

usage: decrypt_open_check.py XLSDUMP ENCRYPT_TOOL METHOD PLAIN.xls
                             [--renamed-sheet N=NAME]

For every password of METHOD (lengths up to the method's limit, non-ASCII
characters where the method takes them) the encrypted file must open with
that password and dump like the plain one, must give -1003 without a password
and -1005 with a wrong one. The file encrypted with the published default
password must open without a password. RC4 refuses 32 characters (-1004);
RC4 CryptoAPI takes them. Exit 0 when every check holds.
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURE_CHECK = os.path.join(HERE, "..", "..", "tools", "xlsdump_fixture_check.py")
DEFAULT_PASSWORD = "VelvetSweatshop"

PASSWORDS = {
    # XOR obfuscation keys on at most 15 single-byte characters.
    "xor": ["Obfusc8", "fifteen chars!!"],
    "rc4": ["sixteen-chars-16", "p\u00e4ssw\u00f6rd \u20ac twenty-four!", "thirty-one characters, the max."],
    "cryptoapi40": ["sixteen-chars-16", "\u00fcber 31 characters, at the top"],
    "cryptoapi128": ["sixteen-chars-16", "p\u00e4ssw\u00f6rd \u20ac twenty-four!",
                     "thirty-one characters, the max.", "x" * 40],
}


def open_result(xlsdump, path, password):
    """xlsdump's result code: 1 when it read the file, else the code it names."""
    command = [xlsdump, path] + (["--password", password] if password is not None else [])
    run = subprocess.run(command, capture_output=True)
    if run.returncode == 0:
        return 1
    message = run.stderr.decode("utf-8", "replace").strip()
    return int(message.rsplit("result ", 1)[1]) if "result " in message else message


def main(argv):
    xlsdump, tool, method, plain = argv[1:5]
    renamed = argv[5:]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        def encrypt(password, name):
            path = os.path.join(work, name + ".xls")
            subprocess.run([tool, method, password, plain, path], check=True)
            # The dump of the plain workbook is what the encrypted one must give.
            shutil.copyfile(plain + ".expected.jsonl", path + ".expected.jsonl")
            return path

        def same_dump(path, password, label):
            command = ["/usr/bin/python3", FIXTURE_CHECK, xlsdump, path] + renamed
            if password:
                command += ["--password", password]
            run = subprocess.run(command, capture_output=True)
            if run.returncode != 0:
                failures.append("%s: dump differs:\n%s" % (label, run.stdout.decode("utf-8", "replace")))

        def expect(path, password, wanted, label):
            got = open_result(xlsdump, path, password)
            if got != wanted:
                failures.append("%s: expected %r, got %r" % (label, wanted, got))

        for i, password in enumerate(PASSWORDS[method]):
            label = "%s password of %d characters" % (method, len(password))
            path = encrypt(password, "pw%d" % i)
            same_dump(path, password, label)
            expect(path, None, -1003, label + ", none given")
            expect(path, password[:-1] + chr(ord(password[-1]) ^ 1), -1005, label + ", wrong")
        if method == "rc4":
            expect(path, "y" * 32, -1004, "rc4 password of 32 characters")
        elif method != "xor":
            expect(path, "y" * 255, -1005, method + " password of 255 characters")
            expect(path, "y" * 256, -1004, method + " password of 256 characters")

        path = encrypt(DEFAULT_PASSWORD, "default")
        same_dump(path, None, method + " default password, none given")
        same_dump(path, "another", method + " default password, another given")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
