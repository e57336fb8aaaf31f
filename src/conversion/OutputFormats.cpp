#include "conversion/OutputFormats.h"

#include <strings.h>

#include <string>

namespace kv {

namespace {
bool SameName(std::string_view a, const char* b) {
    return ::strcasecmp(std::string(a).c_str(), b) == 0;
}
}  // namespace

bool IsAviOutput(std::string_view name) { return SameName(name, kOutputFormats[FORMAT_AVI].name); }

int ConvertedFormatIndex(std::string_view name) {
    for (const auto& format : kOutputFormats)
        if (format.index != FORMAT_AVI && SameName(name, format.name)) return format.index;
    return -1;
}

}  // namespace kv
