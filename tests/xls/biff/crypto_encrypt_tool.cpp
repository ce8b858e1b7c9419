// Command-line front of the test encryptor, for the check with independent
// decrypters: crypto_encrypt_tool xor|rc4|cryptoapi40|cryptoapi128 PASSWORD IN OUT
// (PASSWORD in UTF-8; IN and OUT are bare Workbook streams).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "common/TextUtil.h"
#include "tests/xls/biff/XLSTestEncryptor.h"

using korvel::testing::TestCipher;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s xor|rc4|cryptoapi40|cryptoapi128 PASSWORD IN OUT\n", argv[0]);
        return 2;
    }
    korvel::testing::TestEncryption options;
    std::string method = argv[1];
    if (method == "xor") options.cipher = TestCipher::XOR;
    else if (method == "rc4") options.cipher = TestCipher::RC4;
    else if (method == "cryptoapi40" || method == "cryptoapi128") {
        options.cipher = TestCipher::RC4CryptoAPI;
        options.keyBits = method == "cryptoapi40" ? 40 : 128;
    } else {
        std::fprintf(stderr, "unknown method %s\n", argv[1]);
        return 2;
    }
    options.password = korvel::Utf8ToUtf16(argv[2]);
    std::ifstream in(argv[3], std::ios::binary);
    std::vector<uint8_t> plain((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        std::vector<uint8_t> encrypted = korvel::testing::EncryptWorkbookStream(plain, options);
        std::ofstream out(argv[4], std::ios::binary);
        out.write(reinterpret_cast<const char*>(encrypted.data()), std::streamsize(encrypted.size()));
        return out ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
