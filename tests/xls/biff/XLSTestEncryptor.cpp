#include "tests/xls/biff/XLSTestEncryptor.h"

#include <algorithm>
#include <cstring>

#include "common/ByteCursor.h"
#include "xls/biff/MD5Hash.h"
#include "xls/biff/RC4.h"
#include "xls/biff/SHA1Hash.h"

namespace korvel::testing {

namespace {

constexpr uint16_t kBOF = 0x0809, kFILEPASS = 0x002F, kBOUNDSHEET = 0x0085, kINDEX = 0x020B,
                   kEXTSST = 0x00FF;
constexpr uint16_t kClearRecords[] = {0x0809, 0x002F, 0x0194, 0x0195, 0x00E1, 0x0196, 0x0138};
constexpr size_t kBlock = 1024;

// [MS-OFFCRYPTO] 2.3.7.2 tables.
constexpr uint16_t kInitialCode[15] = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C, 0x0E10, 0xF1CE, 0x313E,
                                       0x1872, 0xE139, 0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};
constexpr uint16_t kXorMatrix[105] = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09, 0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7, 0x9DCF, 0x2BBF,
    0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0, 0x0375, 0x06EA, 0x0DD4, 0x1BA8, 0x3750, 0x6EA0, 0xDD40,
    0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5, 0x6F45, 0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A,
    0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC, 0x5FD9, 0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0,
    0xB861, 0x60E3, 0xC1C6, 0x93AD, 0x377B, 0x6EF6, 0xDDEC, 0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10,
    0xAA51, 0x4483, 0x8906, 0x022D, 0x045A, 0x08B4, 0x1168, 0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C,
    0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD, 0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373, 0x06E6, 0x0DCC,
    0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4};
constexpr uint8_t kXorPad[15] = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                                 0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00};

uint8_t Rol(uint8_t v, int n) { return uint8_t((v << n) | (v >> (8 - n))); }
uint8_t Ror(uint8_t v, int n) { return uint8_t((v >> n) | (v << (8 - n))); }

std::string AsciiPassword(const std::u16string& password) {
    std::string out;
    for (char16_t c : password) out.push_back(char(uint8_t(c)));
    return out;
}

// [MS-OFFCRYPTO] 2.3.7.1, written as its iterative procedure.
uint16_t XorVerifierMethod1(std::string_view password) {
    std::vector<uint8_t> bytes{uint8_t(password.size())};
    bytes.insert(bytes.end(), password.begin(), password.end());
    uint16_t verifier = 0;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
        uint16_t high = (verifier & 0x4000) ? 1 : 0;
        verifier = uint16_t(((verifier << 1) & 0x7FFF) ^ high ^ *it);
    }
    return uint16_t(verifier ^ 0xCE4B);
}

// [MS-OFFCRYPTO] 2.3.7.2 CreateXorArray_Method1.
std::vector<uint8_t> XorArrayMethod1(std::string_view password) {
    uint16_t key = XorKeyMethod1(password);
    std::vector<uint8_t> array(16);
    for (size_t i = 0; i < 16; ++i) {
        uint8_t source = i < password.size() ? uint8_t(password[i]) : kXorPad[i - password.size()];
        uint8_t keyByte = (i % 2 == 0) ? uint8_t(key) : uint8_t(key >> 8);
        array[i] = Ror(uint8_t(source ^ keyByte), 1);
    }
    return array;
}

void AppendUtf16LE(std::vector<uint8_t>& out, const std::u16string& text) {
    for (char16_t c : text) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
}

std::vector<uint8_t> Rc4BlockKey(const TestEncryption& options, uint32_t block) {
    std::vector<uint8_t> pw;
    AppendUtf16LE(pw, options.password);
    uint8_t blockLE[4];
    StoreU32LE(blockLE, block);
    if (options.cipher == TestCipher::RC4) {
        TMD5Hash::Digest h0 = TMD5Hash::Of(pw);
        std::vector<uint8_t> h1Input;
        for (int n = 0; n < 16; ++n) {
            h1Input.insert(h1Input.end(), h0.begin(), h0.begin() + 5);
            h1Input.insert(h1Input.end(), options.salt, options.salt + 16);
        }
        TMD5Hash::Digest h1 = TMD5Hash::Of(h1Input);
        std::vector<uint8_t> keyInput(h1.begin(), h1.begin() + 5);
        keyInput.insert(keyInput.end(), blockLE, blockLE + 4);
        TMD5Hash::Digest key = TMD5Hash::Of(keyInput);
        return std::vector<uint8_t>(key.begin(), key.end());
    }
    std::vector<uint8_t> h0Input(options.salt, options.salt + 16);
    h0Input.insert(h0Input.end(), pw.begin(), pw.end());
    TSHA1Hash::Digest h0 = TSHA1Hash::Of(h0Input);
    std::vector<uint8_t> finalInput(h0.begin(), h0.end());
    finalInput.insert(finalInput.end(), blockLE, blockLE + 4);
    TSHA1Hash::Digest hfinal = TSHA1Hash::Of(finalInput);
    std::vector<uint8_t> key(hfinal.begin(), hfinal.begin() + options.keyBits / 8);
    if (options.keyBits == 40) key.resize(16, 0);
    return key;
}

// The key stream of the whole stream, block by block from its first byte.
std::vector<uint8_t> Rc4StreamKey(const TestEncryption& options, size_t size) {
    std::vector<uint8_t> stream((size + kBlock - 1) / kBlock * kBlock, 0);
    TRC4 rc4;
    for (size_t block = 0; block * kBlock < stream.size(); ++block) {
        rc4.SetKey(Rc4BlockKey(options, uint32_t(block)));
        rc4.Crypt(stream.data() + block * kBlock, kBlock);
    }
    return stream;
}

std::vector<uint8_t> EncryptedVerifierPair(const TestEncryption& options) {
    std::vector<uint8_t> pair(options.verifier, options.verifier + 16);
    if (options.cipher == TestCipher::RC4) {
        TMD5Hash::Digest hash = TMD5Hash::Of(pair);
        pair.insert(pair.end(), hash.begin(), hash.end());
    } else {
        TSHA1Hash::Digest hash = TSHA1Hash::Of(pair);
        pair.insert(pair.end(), hash.begin(), hash.end());
    }
    TRC4 rc4;
    rc4.SetKey(Rc4BlockKey(options, 0));
    rc4.Crypt(pair.data(), pair.size());
    return pair;
}

struct Record {
    uint16_t id;
    std::vector<uint8_t> body;
};

std::vector<Record> SplitRecords(std::span<const uint8_t> plain) {
    ByteCursor cursor(plain);
    std::vector<Record> records;
    while (!cursor.AtEnd()) {
        Record record;
        record.id = cursor.U16();
        auto body = cursor.Bytes(cursor.U16());
        if (!cursor.Ok()) throw std::invalid_argument("plain stream ends inside a record");
        record.body.assign(body.begin(), body.end());
        records.push_back(std::move(record));
    }
    if (records.empty() || records[0].id != kBOF) throw std::invalid_argument("plain stream has no leading BOF");
    return records;
}

constexpr uint16_t kBiff5Version = 0x0500;

bool IsBiff5(const Record& bof) {
    ByteCursor cursor(bof.body.data(), bof.body.size());
    return cursor.U16() == kBiff5Version;
}

void ShiftU32(std::vector<uint8_t>& body, size_t offset, uint32_t delta) {
    if (offset + 4 > body.size()) return;
    ByteCursor cursor(body.data(), body.size());
    StoreU32LE(body.data() + offset, cursor.U32At(offset) + delta);
}

// Stream offsets stored in records move by the size of the inserted FILEPASS.
// INDEX keeps its DBCELL positions from offset 16 in BIFF8, 12 in BIFF5 (whose
// row numbers are 16-bit).
void ShiftStreamOffsets(Record& record, uint32_t delta, bool biff5) {
    if (record.id == kBOUNDSHEET) ShiftU32(record.body, 0, delta);
    if (record.id == kINDEX)
        for (size_t offset = biff5 ? 12 : 16; offset + 4 <= record.body.size(); offset += 4)
            ShiftU32(record.body, offset, delta);
    if (record.id == kEXTSST)
        for (size_t offset = 2; offset + 8 <= record.body.size(); offset += 8) ShiftU32(record.body, offset, delta);
}

}  // namespace

uint16_t XorKeyMethod1(std::string_view password) {
    if (password.empty() || password.size() > 15) throw std::invalid_argument("XOR password of 1 to 15 characters");
    uint16_t key = kInitialCode[password.size() - 1];
    int element = 0x68;
    for (auto it = password.rbegin(); it != password.rend(); ++it) {
        uint8_t c = uint8_t(*it);
        for (int bit = 0; bit < 7; ++bit, --element) {
            if (c & 0x40) key ^= kXorMatrix[element];
            c = uint8_t(c << 1);
        }
    }
    return key;
}

std::vector<uint8_t> MakeFilePassBody(const TestEncryption& options) {
    std::vector<uint8_t> body;
    ByteWriter out(body);
    if (options.cipher == TestCipher::XOR) {
        std::string pw = AsciiPassword(options.password);
        if (!options.biff5) out.U16(0);
        out.U16(XorKeyMethod1(pw));
        out.U16(XorVerifierMethod1(pw));
        return body;
    }
    std::vector<uint8_t> pair = EncryptedVerifierPair(options);
    out.U16(1);
    if (options.cipher == TestCipher::RC4) {
        out.U16(1);
        out.U16(1);
        out.Bytes(options.salt, 16);
        out.Bytes(pair.data(), pair.size());
        return body;
    }
    std::vector<uint8_t> cspName;
    AppendUtf16LE(cspName, u"Microsoft Enhanced Cryptographic Provider v1.0");
    cspName.insert(cspName.end(), {0, 0});
    out.U16(options.versionMajor);
    out.U16(2);
    out.U32(0x04);                              // fCryptoAPI
    out.U32(uint32_t(32 + cspName.size()));     // header size
    out.U32(0x04);                              // header flags
    out.U32(0);                                 // SizeExtra
    out.U32(0x6801);                            // RC4
    out.U32(0x8004);                            // SHA-1
    out.U32(options.keyBits);
    out.U32(1);                                 // PROV_RSA_FULL
    out.U32(0);
    out.U32(0);
    out.Bytes(cspName.data(), cspName.size());
    out.U32(16);
    out.Bytes(options.salt, 16);
    out.Bytes(pair.data(), 16);
    out.U32(20);
    out.Bytes(pair.data() + 16, 20);
    return body;
}

std::vector<uint8_t> InsertFilePass(std::span<const uint8_t> plain, const TestEncryption& requested) {
    std::vector<Record> records = SplitRecords(plain);
    TestEncryption options = requested;
    options.biff5 = IsBiff5(records[0]);
    if (options.biff5 && options.cipher != TestCipher::XOR)
        throw std::invalid_argument("BIFF5 workbooks take XOR obfuscation only");
    std::vector<uint8_t> filePass = MakeFilePassBody(options);
    uint32_t delta = uint32_t(4 + filePass.size());
    for (Record& record : records) ShiftStreamOffsets(record, delta, options.biff5);
    records.insert(records.begin() + 1, Record{kFILEPASS, filePass});
    std::vector<uint8_t> out;
    ByteWriter writer(out);
    for (const Record& record : records) {
        writer.U16(record.id);
        writer.U16(uint16_t(record.body.size()));
        writer.Bytes(record.body.data(), record.body.size());
    }
    return out;
}

std::vector<uint8_t> EncryptWorkbookStream(std::span<const uint8_t> plain, const TestEncryption& options) {
    std::vector<uint8_t> out = InsertFilePass(plain, options);
    std::vector<uint8_t> keyStream;
    std::vector<uint8_t> xorArray;
    if (options.cipher == TestCipher::XOR) xorArray = XorArrayMethod1(AsciiPassword(options.password));
    else keyStream = Rc4StreamKey(options, out.size());

    // Everything after the FILEPASS record, the second one, is encrypted
    // except the headers and the bodies [MS-XLS] keeps in the clear.
    ByteCursor cursor(out.data(), out.size());
    for (size_t n = 0; !cursor.AtEnd(); ++n) {
        uint16_t id = cursor.U16();
        size_t size = cursor.U16();
        size_t bodyStart = cursor.Position();
        cursor.Skip(size);
        bool clear = n <= 1 || std::find(std::begin(kClearRecords), std::end(kClearRecords), id) !=
                                   std::end(kClearRecords);
        if (clear) continue;
        size_t first = id == kBOUNDSHEET ? std::min<size_t>(4, size) : 0;
        for (size_t k = first; k < size; ++k) {
            size_t offset = bodyStart + k;
            if (options.cipher == TestCipher::XOR)
                out[offset] = uint8_t(Rol(out[offset], 5) ^ xorArray[(offset + size) % 16]);
            else
                out[offset] ^= keyStream[offset];
        }
    }
    return out;
}

}  // namespace korvel::testing
