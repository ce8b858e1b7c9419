// Error kinds raised by the platform layer and caught by the top of main,
// which turns any of them into the failure box.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace korvel {

// Base of every error this system raises; Kind() is the name the failure box shows.
class EKorvelError : public std::runtime_error {
public:
    explicit EKorvelError(const std::string& message) : std::runtime_error(message) {}
    virtual const char* Kind() const { return "Exception"; }

    // A stable number naming the step that failed, shown by the failure box in
    // place of a code address; 0 when the raiser did not name one.
    uint32_t Step() const { return step_; }
    void SetStep(uint32_t step) { step_ = step; }

private:
    uint32_t step_ = 0;
};

// A failed file operation, with the run-time I/O code (2, 3, 4, 5, 100, 101, 106 or other).
class EInOutError : public EKorvelError {
public:
    EInOutError(int code, const std::string& message) : EKorvelError(message), code_(code) {}
    const char* Kind() const override { return "EInOutError"; }
    int Code() const { return code_; }

private:
    int code_;
};

// A file stream could not be opened: "Cannot open file "%s". %s".
class EFOpenError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EFOpenError"; }
};

// A stream could not deliver or take the bytes asked for.
class EReadError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EReadError"; }
};
class EWriteError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EWriteError"; }
};

}  // namespace korvel
