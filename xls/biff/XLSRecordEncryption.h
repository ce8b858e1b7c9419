// Which parts of a record body an encrypted BIFF8 stream leaves in the clear
// ([MS-XLS] 2.2.10): the bodies of BOF, FILEPASS, USREXCL, FILELOCK,
// INTERFACEHDR, RRDINFO and RRDHEAD, and the stream position (lbPlyPos, the
// first 4 bytes) of BOUNDSHEET. Record headers are never encrypted.
#pragma once

#include <cstdint>

#include "xls/biff/XLSDecrypter.h"

namespace korvel {

// True when the whole body of a record with this id is stored unencrypted.
bool IsUnencryptedRecord(uint16_t recordId);

// Passes one record body through decrypter by the rule above: an unencrypted
// body goes to Skip; a BOUNDSHEET body is decrypted except its first 4 bytes,
// which keep their stored value; any other body is decrypted in place.
// The 4-byte header must already have been passed to Skip.
void DecryptRecordBody(TXLSDecrypter& decrypter, uint16_t recordId, uint8_t* body, uint32_t size);

}  // namespace korvel
