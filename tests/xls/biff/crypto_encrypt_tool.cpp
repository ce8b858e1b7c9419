// Command-line front of the test encryptor, for the check with independent
// decrypters:
//   crypto_encrypt_tool xor|rc4|cryptoapi40|cryptoapi128 PASSWORD IN OUT
// PASSWORD is UTF-8. When IN is a compound document, its "Workbook" stream is
// encrypted and OUT is a new compound document with the other root streams
// copied (a BIFF5 "Book" stream likewise); otherwise IN and OUT are bare
// record streams.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "common/TextUtil.h"
#include "tests/xls/biff/XLSTestEncryptor.h"
#include "xls/storage/CompoundDocumentReader.h"
#include "xls/storage/CompoundDocumentWriter.h"

using namespace korvel;
using korvel::testing::TestCipher;

namespace {

constexpr uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool IsCompound(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kCompoundSignature, 8) == 0;
}

bool ParseMethod(const std::string& method, korvel::testing::TestEncryption& options) {
    if (method == "xor") options.cipher = TestCipher::XOR;
    else if (method == "rc4") options.cipher = TestCipher::RC4;
    else if (method == "cryptoapi40" || method == "cryptoapi128") {
        options.cipher = TestCipher::RC4CryptoAPI;
        options.keyBits = method == "cryptoapi40" ? 40 : 128;
    } else {
        return false;
    }
    return true;
}

// Re-creates the document with the Workbook stream encrypted.
std::vector<uint8_t> EncryptDocument(std::vector<uint8_t> input, const korvel::testing::TestEncryption& options) {
    TCompoundDocumentReader reader;
    if (reader.OpenBytes(std::move(input)) != kStorageOk) throw std::invalid_argument("unreadable compound document");
    std::vector<TCompoundElement> elements;
    reader.Root().Elements(elements);
    TCompoundDocumentWriter writer;
    for (const TCompoundElement& element : elements) {
        if (element.Type != TElementType::Stream) continue;
        std::vector<uint8_t> data;
        if (reader.Root().ReadStream(element.Name, data) != kStorageOk)
            throw std::invalid_argument("unreadable stream");
        std::u16string name = AsciiLower(element.Name);
        if (name == u"workbook" || name == u"book") data = korvel::testing::EncryptWorkbookStream(data, options);
        TCompoundStreamWriter* stream = nullptr;
        if (writer.Root().CreateStream(element.Name, stream) != kStorageOk) throw std::invalid_argument("bad name");
        stream->Write(data.data(), data.size());
    }
    std::vector<uint8_t> out;
    if (writer.SaveToBytes(out) != kStorageOk) throw std::invalid_argument("document too large");
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    korvel::testing::TestEncryption options;
    if (argc != 5 || !ParseMethod(argv[1], options)) {
        std::fprintf(stderr, "usage: %s xor|rc4|cryptoapi40|cryptoapi128 PASSWORD IN OUT\n", argv[0]);
        return 2;
    }
    options.password = Utf8ToUtf16(argv[2]);
    std::ifstream in(argv[3], std::ios::binary);
    std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        std::vector<uint8_t> output = IsCompound(input) ? EncryptDocument(std::move(input), options)
                                                        : korvel::testing::EncryptWorkbookStream(input, options);
        std::ofstream out(argv[4], std::ios::binary);
        out.write(reinterpret_cast<const char*>(output.data()), std::streamsize(output.size()));
        return out ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
