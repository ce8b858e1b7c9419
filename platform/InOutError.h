// The run-time I/O error codes and their fixed messages. Every checked file
// operation that fails raises EInOutError with one of these codes.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

constexpr int kIoFileNotFound = 2;          // "File not found"
constexpr int kIoInvalidFilename = 3;       // "Invalid filename" (also a missing folder)
constexpr int kIoTooManyOpenFiles = 4;      // "Too many open files"
constexpr int kIoAccessDenied = 5;          // "File access denied"
constexpr int kIoReadBeyondEnd = 100;       // "Read beyond end of file"
constexpr int kIoDiskFull = 101;            // "Disk full"
constexpr int kIoFileNotOpen = 103;         // no message of its own: "I/O error 103"
constexpr int kIoInvalidNumericInput = 106; // "Invalid numeric input"

// The message for a code; codes without one give "I/O error <code>".
std::string InOutErrorMessage(int code);

// Throws EInOutError(code, InOutErrorMessage(code)) naming `step` as the
// failing step (see EKorvelError::Step).
[[noreturn]] void RaiseInOutError(int code, uint32_t step);

}  // namespace korvel
