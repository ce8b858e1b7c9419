// The error raised by the XML pull reader (scanner and reader alike). The
// reader is not usable after one.
#pragma once

#include "platform/Errors.h"

namespace korvel {

class EXMLReaderError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EXMLReaderError"; }
};

}  // namespace korvel
