#include "platform/core/PrintableText.h"

#include <cstdio>

namespace kv {

namespace {

void AppendHex(std::string& out, unsigned char byte) {
    char code[5];
    std::snprintf(code, sizeof code, "\\x%02X", byte);
    out += code;
}

std::string Escaped(std::string_view text, bool backslashes) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // UTF-8 of U+0080..U+009F: the C1 controls, which terminals obey too.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte == '\\' && backslashes) out += "\\\\";
        else if (byte == '\n') out += "\\n";
        else if (byte == '\r') out += "\\r";
        else if (byte == '\t') out += "\\t";
        else if (byte < 0x20 || byte == 0x7F) AppendHex(out, byte);
        else if (c1) {
            AppendHex(out, byte);
            AppendHex(out, static_cast<unsigned char>(text[++i]));
        } else out += text[i];
    }
    return out;
}

}  // namespace

std::string PrintableText(std::string_view text) { return Escaped(text, true); }

std::string WithoutControls(std::string_view text) { return Escaped(text, false); }

std::string LinesWithoutControls(std::string_view text) {
    std::string out;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        out += Escaped(text.substr(start, end - start), false);
        if (end < text.size()) out += '\n';
        start = end + 1;
    }
    return out;
}

}  // namespace kv
