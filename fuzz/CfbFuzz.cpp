// Opens arbitrary bytes as a compound document, enumerates every storage and
// reads every stream, whole and through the TStream view.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xls/storage/CompoundDocumentReader.h"
#include "xls/storage/XLSFileItem.h"

namespace {

void Walk(const korvel::TCompoundStorageReader& storage, int depth) {
    std::vector<korvel::TCompoundElement> elements;
    if (storage.Elements(elements) != korvel::kStorageOk) return;
    for (const auto& e : elements) {
        if (e.Type == korvel::TElementType::Storage) {
            korvel::TCompoundStorageReader child;
            if (depth < 32 && storage.OpenStorage(e.Name, child) == korvel::kStorageOk)
                Walk(child, depth + 1);
            continue;
        }
        std::vector<uint8_t> bytes;
        if (storage.ReadStream(e.Name, bytes) == korvel::kStorageOk && bytes.size() != e.Size)
            __builtin_trap();
        std::unique_ptr<korvel::TCompoundStreamReader> stream;
        if (storage.OpenStream(e.Name, stream) != korvel::kStorageOk) continue;
        uint8_t buffer[1000];
        uint64_t total = 0;
        for (size_t n; (n = stream->Read(buffer, sizeof buffer)) > 0;)
            total += n;
        if (total != e.Size) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvel::TCompoundDocumentReader reader;
    if (reader.OpenBytes(std::vector<uint8_t>(data, data + size)) != korvel::kStorageOk) return 0;
    Walk(reader.Root(), 0);
    // The preserved-parts loader walks the same tree through its own path.
    std::vector<korvel::TCompoundElement> elements;
    reader.Root().Elements(elements);
    for (const auto& e : elements) {
        if (e.Type != korvel::TElementType::Storage) continue;
        korvel::TXLSFileStorage kept(e.Name);
        kept.Load(reader.Root());
    }
    return 0;
}
