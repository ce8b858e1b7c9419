// MD5, SHA-1 and RC4 against their published test vectors.
#include <gtest/gtest.h>

#include "tests/xls/biff/CryptoTestUtil.h"
#include "xls/biff/MD5Hash.h"
#include "xls/biff/RC4.h"
#include "xls/biff/SHA1Hash.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::FromHex;
using testing::ToHex;

struct DigestCase {
    std::string message;
    const char* digest;
};

// RFC 1321, appendix A.5.
const DigestCase kMD5Suite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

// FIPS 180 examples and RFC 3174 section 7.3 (TEST4: 80 repetitions).
const DigestCase kSHA1Suite[] = {
    {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {[] {
         std::string s;
         for (int i = 0; i < 80; ++i) s += "01234567";
         return s;
     }(),
     "dea356a2cddd90c7a7ecedc5ebb563934f460452"},
};

// Feeds the message whole and in pieces of every size from 1 to 70, so that
// the block buffering is crossed at every offset.
template <typename Hash>
void CheckDigest(const DigestCase& c) {
    auto bytes = Bytes(c.message);
    EXPECT_EQ(ToHex(Hash::Of(bytes)), c.digest) << "message \"" << c.message << "\"";
    for (size_t piece = 1; piece <= 70; ++piece) {
        Hash hash;
        for (size_t at = 0; at < bytes.size(); at += piece)
            hash.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
        hash.Final();
        ASSERT_EQ(ToHex(hash.DigestBytes()), c.digest) << "pieces of " << piece;
    }
}

TEST(MD5Hash, Rfc1321TestSuite) {
    for (const auto& c : kMD5Suite) CheckDigest<TMD5Hash>(c);
}

TEST(SHA1Hash, FipsAndRfc3174Vectors) {
    for (const auto& c : kSHA1Suite) CheckDigest<TSHA1Hash>(c);
}

TEST(SHA1Hash, MillionAs) {
    TSHA1Hash hash;
    std::vector<uint8_t> block(1000, 'a');
    for (int i = 0; i < 1000; ++i) hash.Update(block);
    hash.Final();
    EXPECT_EQ(ToHex(hash.DigestBytes()), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(MD5Hash, FinalStartsANewMessage) {
    TMD5Hash hash;
    hash.Update(Bytes("garbage"));
    hash.Final();
    hash.Update(Bytes("abc"));
    hash.Final();
    EXPECT_EQ(ToHex(hash.DigestBytes()), "900150983cd24fb0d6963f7d28e17f72");
}

struct KeyStreamCase {
    const char* key;
    size_t offset;
    const char* stream;
};

// RFC 6229, section 2 (40-bit and 128-bit keys).
const KeyStreamCase kRfc6229[] = {
    {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
    {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
    {"0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae"},
    {"0102030405", 256, "1cfcf62b03eddb641d77dfcf7f8d8c93"},
    {"0102030405", 1520, "3294f744d8f9790507e70f62e5bbceea"},
    {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875"},
    {"833222772a", 0, "80ad97bdc973df8a2e879e92a497efda"},
    {"833222772a", 4080, "6349d126a37afcba89794f9804914fdc"},
    {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
    {"0102030405060708090a0b0c0d0e0f10", 1536, "ffa0b514647ec04f6306b892ae661181"},
    {"0102030405060708090a0b0c0d0e0f10", 4096, "a36a4c301ae8ac13610ccbc12256cacc"},
};

TEST(RC4, Rfc6229KeyStreamAfterDiscard) {
    for (const auto& c : kRfc6229) {
        TRC4 rc4;
        rc4.SetKey(FromHex(c.key));
        rc4.Discard(c.offset);
        uint8_t out[16] = {};
        rc4.Crypt(out, sizeof out);
        EXPECT_EQ(ToHex(out, sizeof out), c.stream) << c.key << " at " << c.offset;
    }
}

TEST(RC4, Rfc6229KeyStreamByCrypt) {
    // Reaching the offset through Crypt of a zero buffer gives the same bytes.
    TRC4 rc4;
    rc4.SetKey(FromHex("0102030405"));
    std::vector<uint8_t> zeros(4112, 0);
    rc4.Crypt(zeros.data(), zeros.size());
    EXPECT_EQ(ToHex(zeros.data() + 4096, 16), "ff25b58995996707e51fbdf08b34d875");
}

TEST(RC4, ClassicVectorsAndInverse) {
    struct {
        const char* key;
        const char* plain;
        const char* cipher;
    } cases[] = {{"Key", "Plaintext", "bbf316e8d940af0ad3"},
                 {"Wiki", "pedia", "1021bf0420"},
                 {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"}};
    for (const auto& c : cases) {
        auto data = Bytes(c.plain);
        TRC4 rc4;
        rc4.SetKey(Bytes(c.key));
        rc4.Crypt(data.data(), data.size());
        EXPECT_EQ(ToHex(data), c.cipher);
        rc4.SetKey(Bytes(c.key));
        rc4.Crypt(data.data(), data.size());
        EXPECT_EQ(std::string(data.begin(), data.end()), c.plain);
    }
}

}  // namespace
}  // namespace korvel
