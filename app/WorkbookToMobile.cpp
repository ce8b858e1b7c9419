// Not available yet: needs the workbook model and its file formats.
#include "app/Conversions.h"

#include "platform/Errors.h"

namespace korvel {

void ConvertWorkbookToMobile(const std::string&, const std::string&) {
    throw EKorvelError("This conversion is not supported yet");
}

}  // namespace korvel
