// Fuzzes FILEPASS handling and decryption: an arbitrary FILEPASS body,
// password and start position, then an arbitrary record stream walked through
// the decrypter by both record rules.
//
// Input: flags (1 byte), body length (2), body, password length in UTF-16
// units (1), password (UTF-16LE), stream position (4), stream bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteCursor.h"
#include "xls/biff/XLSRecordEncryption.h"
#include "xls/biff/XLSStartDecryption.h"

using namespace korvel;

namespace {

constexpr uint16_t kBof = 0x0809;

void WalkRecords(TXLSDecrypter& decrypter, std::vector<uint8_t>& stream, bool published) {
    size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        uint16_t id = uint16_t(stream[pos] | stream[pos + 1] << 8);
        size_t size = size_t(stream[pos + 2] | stream[pos + 3] << 8);
        decrypter.Skip(4);
        pos += 4;
        // A body cut short by the end of the stream is passed as far as it goes.
        uint32_t count = uint32_t(std::min(size, stream.size() - pos));
        uint8_t* body = stream.data() + pos;
        if (published) DecryptRecordBody(decrypter, id, body, count);
        else if (id == kBof) decrypter.Skip(count);
        else decrypter.Decrypt(body, count);
        pos += count;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteCursor input(data, size);
    uint8_t flags = input.U8();
    std::span<const uint8_t> body = input.Bytes(std::min<size_t>(input.U16(), input.Remaining()));
    size_t units = input.U8();
    std::u16string password;
    for (size_t i = 0; i < units && input.Has(2); ++i) password.push_back(char16_t(input.U16()));
    // Keep positions within a few blocks so that the key walk stays quick.
    uint32_t position = input.U32() % (1u << 16);
    std::vector<uint8_t> stream(data + input.Position(), data + size);

    int32_t result = 0;
    auto decrypter = StartDecryption(body, password, position, result);
    if (!decrypter) return 0;
    WalkRecords(*decrypter, stream, (flags & 1) != 0);
    // Large skips and decrypts past 4 GiB of stream must not misbehave.
    if (flags & 2) {
        decrypter->Skip(0xFFFFFFF0u);
        decrypter->Decrypt(stream.data(), uint32_t(std::min<size_t>(stream.size(), 64)));
    }
    return 0;
}
