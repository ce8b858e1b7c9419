// The error raised while an Office Open XML package is read. TXLSXReader's
// entry point turns it (and every zip and XML error) into the result -1.
#pragma once

#include <string>
#include <string_view>

#include "platform/Errors.h"

namespace korvel {

inline constexpr const char* kXLSXTextNoWorkbook = "Workbook is not asssigned";
inline constexpr const char* kXLSXTextOpenPrefix = "Can't to open ";
inline constexpr const char* kXLSXTextNoSST = "ParseSST: 'sst' tag not found!";
inline constexpr const char* kXLSXTextNoAttributes = "Current tag doesn't have attributes";
inline constexpr const char* kXLSXTextUnexpectedEOF = "Unexpected EOF";
inline constexpr const char* kXLSXTextSecondReader = "Cannot open other xml reader";

class EXLSXReaderError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EXLSXReaderError"; }
};

// "Attribute "NAME" not found".
inline EXLSXReaderError MissingAttributeError(std::string_view name) {
    return EXLSXReaderError("Attribute \"" + std::string(name) + "\" not found");
}

}  // namespace korvel
