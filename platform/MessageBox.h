// Message boxes: the only way the driver speaks to its user. A box has an OK
// button only, no icon and no owner window.
//
// POSIX has no desktop to show them on: each box becomes one line on standard
// error, "Caption: text", with every run of CR/LF inside the text turned into a
// single blank (line breaks at the end are dropped) so that one box is one line.
#pragma once

#include <functional>
#include <string>

namespace korvel {

using MessageBoxSink = std::function<void(const std::string& caption, const std::string& text)>;

// Shows one box and returns when it is dismissed (at once on POSIX).
// Caption and text are ANSI bytes.
void ShowMessageBox(const std::string& caption, const std::string& text);

// Routes every later box to `sink` instead of the screen (an empty function
// restores the screen). Returns the previous sink. For tests and embedding.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

// The one-line form of a box text as the POSIX implementation prints it.
std::string MessageBoxLine(const std::string& caption, const std::string& text);

}  // namespace korvel
