#include "platform/InOutError.h"

#include "platform/Errors.h"

namespace korvel {

std::string InOutErrorMessage(int code) {
    switch (code) {
    case kIoFileNotFound: return "File not found";
    case kIoInvalidFilename: return "Invalid filename";
    case kIoTooManyOpenFiles: return "Too many open files";
    case kIoAccessDenied: return "File access denied";
    case kIoReadBeyondEnd: return "Read beyond end of file";
    case kIoDiskFull: return "Disk full";
    case kIoInvalidNumericInput: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
    }
}

void RaiseInOutError(int code, uint32_t step) {
    EInOutError error(code, InOutErrorMessage(code));
    error.SetStep(step);
    throw error;
}

}  // namespace korvel
