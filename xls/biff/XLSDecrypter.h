// Decrypters of password-protected BIFF workbooks. One decrypter follows the
// whole record stream from its first byte: headers and unencrypted bodies are
// passed to Skip, encrypted bodies to Decrypt, in stream order, so that the
// decrypter always knows the stream position of the next byte (both methods
// key their transformation to it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvel {

class TXLSDecrypter {
public:
    virtual ~TXLSDecrypter() = default;

    // Checks password against the FILEPASS body and prepares the key; the
    // position becomes 0. Results (CryptoResults.h): kDecryptOk;
    // kDecryptBadFilePass for a body too short for its method;
    // kDecryptUnsupportedMethod; kDecryptPasswordTooLong; kDecryptWrongPassword.
    // After any result but kDecryptOk the decrypter must not be used.
    virtual int32_t Initialize(std::span<const uint8_t> filePassBody, const std::u16string& password) = 0;
    // Moves the position on by count bytes that are not encrypted.
    virtual void Skip(uint32_t count) = 0;
    // Decrypts count bytes of buffer in place; they are the next count bytes of
    // the stream, and one call covers one whole record body (the XOR method
    // depends on the body's length).
    virtual void Decrypt(uint8_t* buffer, uint32_t count) = 0;
};

}  // namespace korvel
