#include "app/ListFileReader.h"

namespace korvel {

void TListFileReader::Open(const std::string& path) { file_.Open(path, CheckedAccess::Read); }

bool TListFileReader::Next(TDeviceFields& out) {
    if (file_.Eof()) return false;
    file_.ReadExact(record_.data(), record_.size());
    return ReadDeviceRecord(record_, out);
}

}  // namespace korvel
