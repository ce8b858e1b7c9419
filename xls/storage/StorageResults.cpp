#include "xls/storage/StorageResults.h"

namespace korvel {

const char* StorageResultName(int32_t result) {
    switch (result) {
        case kStorageOk: return "ok";
        case kStorageNotCompound: return "not a compound document";
        case kStorageCorrupt: return "corrupt compound document";
        case kStorageNotFound: return "element not found";
        case kStorageWrongType: return "element of the other type";
        case kStorageInvalidName: return "invalid element name";
        case kStorageFileError: return "file error";
        case kStorageTooLarge: return "document too large";
        case kStorageNotOpen: return "document not open";
        default: return "unknown result";
    }
}

}  // namespace korvel
