// MD5 message digest (RFC 1321). Used only to derive the keys of RC4-encrypted
// workbooks; not for anything that needs a secure hash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "xls/biff/HashBlockBuffer.h"

namespace korvel {

class TMD5Hash {
public:
    static constexpr size_t kDigestSize = 16;
    using Digest = std::array<uint8_t, kDigestSize>;

    TMD5Hash() { Init(); }

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

    uint32_t state_[4];
    THashBlockBuffer blocks_;
    Digest digest_{};
};

}  // namespace korvel
