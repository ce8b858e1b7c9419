// Loads arbitrary bytes into the element tree, saves the tree and loads the
// saved text again. Parser errors are expected outcomes; anything else that
// escapes (or a crash) is a finding.
#include <cstddef>
#include <cstdint>

#include "platform/Stream.h"
#include "xml/KRXMLParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvel::TKRXMLParser parser;
    korvel::TSpanStream input({data, size});
    try {
        parser.LoadFromStream(input);
    } catch (const korvel::EXMLParserError&) {
        return 0;
    }
    // Read the tree the way the driver does.
    korvel::TXMLItem& root = parser.RootItem();
    for (size_t i = 0; i < root.SubItemCount(); ++i) {
        korvel::TXMLItem& child = root.SubItems(static_cast<long long>(i));
        (void)child.Params().Value("name");
        (void)child.Text().size();
    }
    korvel::TMemoryStream saved;
    parser.SaveToStream(saved);
    saved.Seek(0, korvel::SeekOrigin::Begin);
    korvel::TKRXMLParser again;
    try {
        again.LoadFromStream(saved);
    } catch (const korvel::EXMLParserError&) {
    }
    return 0;
}
