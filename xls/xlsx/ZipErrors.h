// Errors of the zip package layer. The Office Open XML reader catches them at
// its entry point and turns them into its result code.
#pragma once

#include <string>

#include "platform/Errors.h"

namespace korvel {

// Fixed texts of the zip layer (what() of EZipError is exactly one of these).
inline constexpr const char* kZipTextAlreadyOpened = "Archive is already opened";
inline constexpr const char* kZipTextCantOpen = "Can't open zip archive";
inline constexpr const char* kZipTextFolder = "Can't get the stream for folder";
inline constexpr const char* kZipTextUnsupportedMethod = "Unsupported compression method";
inline constexpr const char* kZipTextNegativePosition = "negative position";
inline constexpr const char* kZipTextInvalidPosition = "invalid position";
inline constexpr const char* kZipTextUnsupportedFeature = "Unsupported feature";
inline constexpr const char* kZipTextDamagedEntry = "Damaged zip entry";

// A zip failure. what() is one of the fixed texts above; Detail() says which
// check failed (for diagnostics only; callers must not parse it).
class EZipError : public EKorvelError {
public:
    explicit EZipError(const char* text, std::string detail = {})
        : EKorvelError(text), detail_(std::move(detail)) {}
    const char* Kind() const override { return "EZipError"; }
    const std::string& Detail() const { return detail_; }

private:
    std::string detail_;
};

}  // namespace korvel
