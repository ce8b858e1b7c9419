// SHA-1 message digest (FIPS 180-4, RFC 3174). Used only to derive the keys of
// workbooks encrypted with RC4 CryptoAPI; not for anything that needs a
// collision-resistant hash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "xls/biff/HashBlockBuffer.h"

namespace korvel {

class TSHA1Hash {
public:
    static constexpr size_t kDigestSize = 20;
    using Digest = std::array<uint8_t, kDigestSize>;

    TSHA1Hash() { Init(); }

    // Starts a new message (the constructor already did).
    void Init();
    // Adds bytes to the message; any number of calls, any sizes.
    void Update(const uint8_t* data, size_t size);
    void Update(std::span<const uint8_t> data) { Update(data.data(), data.size()); }
    // Pads the message and computes the digest, kept by DigestBytes() until
    // the next Final; the hash is then ready for a new message.
    void Final();
    const Digest& DigestBytes() const { return digest_; }

    // One-shot convenience.
    static Digest Of(std::span<const uint8_t> data);

private:
    void Transform(const uint8_t block[64]);

    uint32_t state_[5];
    THashBlockBuffer blocks_;
    Digest digest_{};
};

}  // namespace korvel
