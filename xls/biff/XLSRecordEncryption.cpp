#include "xls/biff/XLSRecordEncryption.h"

#include <cstring>

namespace korvel {

namespace {

constexpr uint16_t kBOF = 0x0809;
constexpr uint16_t kFILEPASS = 0x002F;
constexpr uint16_t kUSREXCL = 0x0194;
constexpr uint16_t kFILELOCK = 0x0195;
constexpr uint16_t kINTERFACEHDR = 0x00E1;
constexpr uint16_t kRRDINFO = 0x0196;
constexpr uint16_t kRRDHEAD = 0x0138;
constexpr uint16_t kBOUNDSHEET = 0x0085;
constexpr uint32_t kStreamPositionSize = 4;

}  // namespace

bool IsUnencryptedRecord(uint16_t recordId) {
    switch (recordId) {
        case kBOF:
        case kFILEPASS:
        case kUSREXCL:
        case kFILELOCK:
        case kINTERFACEHDR:
        case kRRDINFO:
        case kRRDHEAD:
            return true;
        default:
            return false;
    }
}

void DecryptRecordBody(TXLSDecrypter& decrypter, uint16_t recordId, uint8_t* body, uint32_t size) {
    if (IsUnencryptedRecord(recordId)) {
        decrypter.Skip(size);
        return;
    }
    if (recordId == kBOUNDSHEET && size >= kStreamPositionSize) {
        // The whole body goes through Decrypt, because the XOR method keys
        // every byte to the body's length; the clear prefix is put back.
        uint8_t position[kStreamPositionSize];
        std::memcpy(position, body, kStreamPositionSize);
        decrypter.Decrypt(body, size);
        std::memcpy(body, position, kStreamPositionSize);
        return;
    }
    decrypter.Decrypt(body, size);
}

}  // namespace korvel
