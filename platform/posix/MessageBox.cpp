// POSIX message boxes: one line each on standard error.
#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

namespace korvel {

namespace {
MessageBoxSink& Sink() {
    static MessageBoxSink sink;
    return sink;
}
bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
}  // namespace

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) { return std::exchange(Sink(), std::move(sink)); }

std::string MessageBoxLine(const std::string& caption, const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsLineBreak(text[end - 1])) --end;
    std::string line = caption + ": ";
    line.reserve(line.size() + end);
    for (size_t i = 0; i < end; ++i) {
        if (!IsLineBreak(text[i])) {
            line.push_back(text[i]);
            continue;
        }
        while (i + 1 < end && IsLineBreak(text[i + 1])) ++i;
        line.push_back(' ');
    }
    return line;
}

void ShowMessageBox(const std::string& caption, const std::string& text) {
    if (Sink()) {
        Sink()(caption, text);
        return;
    }
    // One write, so the line is not interleaved with other output.
    std::string line = MessageBoxLine(caption, text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace korvel
