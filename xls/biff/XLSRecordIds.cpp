#include "xls/biff/XLSRecordIds.h"

#include <algorithm>
#include <array>
#include <utility>

namespace korvel {

namespace {

struct RecordNameEntry {
    uint16_t id;
    const char* name;
};

constexpr RecordNameEntry kRecordNames[] = {
#define KORVEL_XLS_RECORD_NAME(name, id) {id, #name},
    KORVEL_XLS_RECORD_TABLE(KORVEL_XLS_RECORD_NAME)
#undef KORVEL_XLS_RECORD_NAME
};

}  // namespace

const char* XLSRecordName(uint16_t id) {
    for (const RecordNameEntry& entry : kRecordNames)
        if (entry.id == id) return entry.name;
    return nullptr;
}

}  // namespace korvel
