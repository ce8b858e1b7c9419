// Feeds arbitrary bytes to both XML tokenizers. Besides memory safety it checks
// that the two windows agree: whenever the 4096-byte tokenizer gets through a
// document, the whole-stream tokenizer must give exactly the same tokens.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Stream.h"
#include "xml/KRXMLTokenizer.h"
#include "xml/XMLErrors.h"

namespace {

using Tokens = std::vector<std::pair<korvel::TXMLTokenKind, std::string>>;

template <class Tokenizer>
bool Tokenize(const uint8_t* data, size_t size, Tokens& tokens, std::string& error) {
    korvel::TSpanStream stream({data, size});
    try {
        Tokenizer tokenizer(stream);
        for (auto kind = tokenizer.Kind(); kind != korvel::TXMLTokenKind::EndOfInput; kind = tokenizer.Advance())
            tokens.emplace_back(kind, tokenizer.TokenText());
    } catch (const korvel::EXMLParserError& e) {
        error = e.Reason();
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Tokens fixed, whole;
    std::string fixedError, wholeError;
    bool fixedOk = Tokenize<korvel::TXMLTokenizer>(data, size, fixed, fixedError);
    bool wholeOk = Tokenize<korvel::TXMLLargeTokenizer>(data, size, whole, wholeError);
    if (fixedOk && (!wholeOk || fixed != whole)) __builtin_trap();
    // The whole-stream window never needs a cut.
    if (wholeError == "Line too long") __builtin_trap();
    return 0;
}
