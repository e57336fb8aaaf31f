#pragma once
// Text from outside (a file name, a path) made safe to print on a terminal or
// in a line a script reads: control characters (a newline, a carriage
// return, an escape sequence) are written as \n, \r, \t or \xHH, and the
// backslash as \\, so one name is one line and changes nothing on screen.
#include <string>
#include <string_view>

namespace kv {

std::string PrintableText(std::string_view text);

// The same for a message that may already hold printable names: its control
// characters are escaped, its backslashes left as they are.
std::string WithoutControls(std::string_view text);

// The same for text of several lines: each line on its own, the newlines kept.
std::string LinesWithoutControls(std::string_view text);

}  // namespace kv
