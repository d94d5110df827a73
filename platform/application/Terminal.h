#pragma once

#include <string>
#include <string_view>

namespace orvane::Terminal {

// Whether standard error goes to a terminal, where a person may be watching it.
bool showsStandardError();

// `text` safe to print on a terminal: characters that would move the cursor, start a new line,
// send the terminal a command or turn the text's direction (control characters, DEL, the C1
// controls and the bidirectional overrides) are written as escapes such as \n, \x1b or \u202e.
// Everything else, including text that is not UTF-8, is kept as it is.
std::string printable(std::string_view text);

} // namespace orvane::Terminal
