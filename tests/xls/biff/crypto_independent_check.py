#!/usr/bin/python3
"""Checks the test encryptor against independent decrypters.

Usage: crypto_independent_check.py ENCRYPT_TOOL METHOD [PLAIN_XLS]
METHOD: xor, rc4, cryptoapi40, cryptoapi128. RC4 methods are decrypted by
msoffcrypto-tool and, when node finds it, by the npm package
officecrypto-tool; XOR by officecrypto-tool only.

Without PLAIN_XLS: writes a plain workbook with xlwt, encrypts its Workbook
stream with ENCRYPT_TOOL and puts the result back into the compound document
with olefile (xlwt pads the stream with zeros, so the encrypted stream fits in
the same size). With PLAIN_XLS (a workbook of another producer): ENCRYPT_TOOL
encrypts the whole document, rewriting it with our compound document writer.
Then the independent program decrypts the file. Passes when xlrd reads the same
cells from the decrypted file as from the plain one, when xlrd refuses the
encrypted file as encrypted, and when each decrypter refuses a wrong password.
Exit code 77: no decrypter for the method is there (the test is skipped).
"""
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile

SKIP = 77
PASSWORD = {"xor": "Obfusc8", "rc4": "s\u00e9same-31", "cryptoapi40": "Forty bits", "cryptoapi128": "p\u00e4ss \u20ac 128"}


def skip(message):
    print("SKIPPED:", message)
    sys.exit(SKIP)


try:
    import olefile
    import xlrd
    import xlwt
except ImportError as error:
    skip(f"python module missing: {error}")


def node_modules():
    candidates = [os.environ.get("KORVEL_NODE_MODULES", ""),
                  os.path.join(os.path.dirname(__file__), "../../../../shared/tools/sheetjs/node_modules")]
    for path in candidates:
        if path and os.path.isdir(os.path.join(path, "officecrypto-tool")):
            return os.path.abspath(path)
    return None


def make_plain_workbook(path, filler):
    book = xlwt.Workbook(encoding="utf-8")
    first = book.add_sheet("Devices")
    for row in range(120):
        first.write(row, 0, f"camera {row:03d} \u00e9t\u00e9")
        first.write(row, 1, row * 1.25)
        first.write(row, 2, f"192.168.{row // 200}.{row % 200}")
    first.write(0, 4, "x" * filler)
    second = book.add_sheet("Zweite \u00dcbersicht")
    for row in range(40):
        second.write(row, 0, row)
        second.write(row, 1, f"long text {row} " + "abc" * row)
    book.save(path)


def records_end(stream):
    pos = 0
    while pos + 4 <= len(stream):
        rid, size = struct.unpack_from("<HH", stream, pos)
        if rid == 0 and size == 0:
            break
        pos += 4 + size
    return pos


def cells(data):
    book = xlrd.open_workbook(file_contents=data)
    out = []
    for sheet in book.sheets():
        out.append(("sheet", sheet.name, sheet.nrows, sheet.ncols))
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                out.append((r, c, cell.ctype, cell.value))
    return out


def decrypt_msoffcrypto(data, password):
    import msoffcrypto
    office = msoffcrypto.OfficeFile(io.BytesIO(data))
    office.load_key(password=password)
    out = io.BytesIO()
    office.decrypt(out)
    return out.getvalue()


NODE_DECRYPT = """
const fs = require('fs');
const officeCrypto = require('officecrypto-tool');
(async () => {
  const input = fs.readFileSync(process.argv[1]);
  const output = await officeCrypto.decrypt(input, {password: process.argv[2]});
  fs.writeFileSync(process.argv[3], output);
})().catch((e) => { console.error(String(e)); process.exit(3); });
"""


def decrypt_node(data, password, work):
    modules = node_modules()
    source = os.path.join(work, "enc.xls")
    target = os.path.join(work, "dec.xls")
    with open(source, "wb") as f:
        f.write(data)
    env = dict(os.environ, NODE_PATH=modules)
    result = subprocess.run(["node", "-e", NODE_DECRYPT, source, password, target], env=env,
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(result.stderr.strip())
    with open(target, "rb") as f:
        return f.read()


def encrypt_xlwt_workbook(tool, method, password, work):
    plain_path = os.path.join(work, "plain.xls")
    # The zeros after the encrypted records must form whole empty records
    # (msoffcrypto-tool reads them as such), so the filler cell is grown
    # until the gap is a multiple of 4.
    for filler in range(1, 4000, 7):
        make_plain_workbook(plain_path, filler)
        stream = olefile.OleFileIO(plain_path).openstream("Workbook").read()
        with open(os.path.join(work, "plain.bin"), "wb") as f:
            f.write(stream[:records_end(stream)])
        subprocess.run([tool, method, password, os.path.join(work, "plain.bin"),
                        os.path.join(work, "enc.bin")], check=True)
        with open(os.path.join(work, "enc.bin"), "rb") as f:
            encrypted = f.read()
        gap = len(stream) - len(encrypted)
        if gap >= 0 and gap % 4 == 0:
            break
    else:
        raise AssertionError("no plain workbook leaves room for the FILEPASS record")
    encrypted_path = os.path.join(work, "encrypted.xls")
    shutil.copyfile(plain_path, encrypted_path)
    ole = olefile.OleFileIO(encrypted_path, write_mode=True)
    ole.write_stream("Workbook", encrypted + bytes(gap))
    ole.close()
    with open(encrypted_path, "rb") as f:
        encrypted_file = f.read()
    with open(plain_path, "rb") as f:
        plain_file = f.read()
    return plain_file, encrypted_file


def available_decrypters(method):
    decrypters = {}
    if method != "xor":
        try:
            import msoffcrypto  # noqa: F401
            decrypters["msoffcrypto-tool"] = lambda data, password, work: decrypt_msoffcrypto(data, password)
        except ImportError:
            pass
    if shutil.which("node") is not None and node_modules() is not None:
        decrypters["officecrypto-tool"] = decrypt_node
    return decrypters


def main(tool, method, plain_xls=None):
    decrypters = available_decrypters(method)
    if not decrypters:
        skip("neither msoffcrypto-tool nor node with officecrypto-tool (set KORVEL_NODE_MODULES) is there")
    password = PASSWORD[method]
    with tempfile.TemporaryDirectory() as work:
        if plain_xls:
            with open(plain_xls, "rb") as f:
                plain_file = f.read()
            encrypted_path = os.path.join(work, "encrypted.xls")
            subprocess.run([tool, method, password, plain_xls, encrypted_path], check=True)
            with open(encrypted_path, "rb") as f:
                encrypted_file = f.read()
        else:
            plain_file, encrypted_file = encrypt_xlwt_workbook(tool, method, password, work)

        try:
            xlrd.open_workbook(file_contents=encrypted_file)
            raise AssertionError("xlrd read the encrypted file as a plain one")
        except xlrd.XLRDError as error:
            assert "encrypted" in str(error).lower(), error

        expected = cells(plain_file)
        for name, decrypt in decrypters.items():
            try:
                decrypt(encrypted_file, password + "x", work)
                raise AssertionError(f"{name} accepted a wrong password")
            except AssertionError:
                raise
            except Exception:
                pass
            got = cells(decrypt(encrypted_file, password, work))
            if got != expected:
                for a, b in zip(expected, got):
                    if a != b:
                        print(f"{name}: first difference: expected", a, "got", b)
                        break
                print(f"{method}, {name}: {len(expected)} expected entries, {len(got)} decrypted")
                return 1
            print(f"{method}, {name}: {len(expected)} cells and sheet entries agree after decryption")
        return 0

if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
