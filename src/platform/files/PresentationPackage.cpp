#include "platform/files/PresentationPackage.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/files/ZipEntries.h"

namespace kv {

namespace {

constexpr std::string_view kPresentationMl[] = {"http://schemas.openxmlformats.org/presentationml/2006/main",
                                                "http://purl.oclc.org/ooxml/presentationml/main"};
constexpr std::string_view kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kOdfOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kOdfDrawing = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";

// The prefix (with its colon; empty for the default namespace) the XML text
// declares for a namespace; nothing when it declares none.
std::optional<std::string> PrefixOf(const std::string& xml, std::string_view uri) {
    for (const char quote : {'"', '\''}) {
        const std::string value = quote + std::string(uri) + quote;
        for (std::size_t at = xml.find(value); at != std::string::npos; at = xml.find(value, at + 1)) {
            std::size_t equals = at;
            while (equals > 0 && (xml[equals - 1] == ' ' || xml[equals - 1] == '=')) --equals;
            std::size_t start = equals;
            while (start > 0 && xml[start - 1] != ' ' && xml[start - 1] != '\t' && xml[start - 1] != '\n' &&
                   xml[start - 1] != '\r' && xml[start - 1] != '<')
                --start;
            const std::string name = xml.substr(start, equals - start);
            if (name == "xmlns") return std::string();
            if (name.rfind("xmlns:", 0) == 0 && name.size() > 6) return name.substr(6) + ":";
        }
    }
    return std::nullopt;
}

// How many elements of this exact name (prefix included) the text holds.
int CountElements(const std::string& xml, const std::string& name) {
    const std::string open = "<" + name;
    int count = 0;
    for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
        const char next = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
        if (next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == '/' || next == '>') ++count;
    }
    return count;
}

// The value of an attribute inside one element's text.
std::string Attribute(std::string_view element, std::string_view name) {
    for (const char quote : {'"', '\''}) {
        const std::string key = " " + std::string(name) + "=" + quote;
        const std::size_t at = element.find(key);
        if (at == std::string_view::npos) continue;
        const std::size_t end = element.find(quote, at + key.size());
        if (end != std::string_view::npos) return std::string(element.substr(at + key.size(), end - at - key.size()));
    }
    return {};
}

// The package's main part, as its relationships name it.
std::optional<std::string> OoxmlMainPart(const std::filesystem::path& file) {
    const auto relationships = ReadZipEntry(file, "_rels/.rels");
    if (!relationships) return std::nullopt;
    for (std::size_t at = relationships->find("<Relationship "); at != std::string::npos;
         at = relationships->find("<Relationship ", at + 1)) {
        const std::string_view element =
            std::string_view(*relationships).substr(at, relationships->find('>', at) - at);
        const std::string type = Attribute(element, "Type");
        if (type.size() < 15 || type.compare(type.size() - 15, 15, "/officeDocument") != 0) continue;
        std::string target = Attribute(element, "Target");
        if (!target.empty() && target[0] == '/') target.erase(0, 1);
        if (!target.empty()) return target;
    }
    return std::nullopt;
}

// The prefix of the presentation namespace in a part of the package.
std::optional<std::string> PresentationPrefix(const std::string& xml) {
    for (std::string_view uri : kPresentationMl)
        if (auto prefix = PrefixOf(xml, uri)) return prefix;
    return std::nullopt;
}

std::optional<int> OoxmlSlides(const std::filesystem::path& file) {
    const auto main = OoxmlMainPart(file);
    const auto xml = main ? ReadZipEntry(file, *main) : std::nullopt;
    const auto prefix = xml ? PresentationPrefix(*xml) : std::nullopt;
    if (!prefix || CountElements(*xml, *prefix + "presentation") != 1) return std::nullopt;
    return CountElements(*xml, *prefix + "sldId");
}

// The elements of this name, each as its text up to its closing '>'.
std::vector<std::string_view> Elements(const std::string& xml, const std::string& name) {
    std::vector<std::string_view> found;
    const std::string open = "<" + name + " ";
    for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1))
        found.push_back(std::string_view(xml).substr(at, xml.find('>', at) - at));
    return found;
}

// A part named relative to another part's folder, as the package names it.
std::string PartBeside(const std::string& part, const std::string& target) {
    if (!target.empty() && target[0] == '/') return target.substr(1);
    const std::filesystem::path folder = std::filesystem::path(part).parent_path();
    return (folder / target).lexically_normal().generic_string();
}

std::string RelationshipsOf(const std::string& part) {
    const std::filesystem::path path(part);
    return (path.parent_path() / "_rels" / (path.filename().string() + ".rels")).generic_string();
}

// ODF text (content.xml, or a flat .fodp): the pages of its presentation body.
std::optional<int> OdfSlides(const std::string& xml) {
    const auto office = PrefixOf(xml, kOdfOffice), drawing = PrefixOf(xml, kOdfDrawing);
    if (!office || !drawing || CountElements(xml, *office + "presentation") != 1) return std::nullopt;
    return CountElements(xml, *drawing + "page");
}

std::string Head(const std::filesystem::path& file, std::size_t size) {
    std::ifstream in(file, std::ios::binary);
    std::string head(size, '\0');
    in.read(head.data(), static_cast<std::streamsize>(size));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

constexpr std::string_view kZip = "PK\x03\x04";
constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

bool IsXmlStart(std::string head) {
    if (head.rfind("\xEF\xBB\xBF", 0) == 0) head.erase(0, 3);
    const std::size_t first = head.find_first_not_of(" \t\r\n");
    return first != std::string::npos && head.compare(first, 1, "<") == 0;
}

}  // namespace

std::optional<int> SlidesListedInPackage(const std::filesystem::path& file) {
    const std::string head = Head(file, 8);
    if (head.rfind(kZip, 0) == 0) {
        if (const auto slides = OoxmlSlides(file)) return slides;
        if (const auto content = ReadZipEntry(file, "content.xml")) return OdfSlides(*content);
        return std::nullopt;
    }
    if (!IsXmlStart(head)) return std::nullopt;
    constexpr std::size_t kLargestFlatFile = std::size_t(64) << 20;
    std::error_code error;
    if (std::filesystem::file_size(file, error) > kLargestFlatFile || error) return std::nullopt;
    return OdfSlides(Head(file, kLargestFlatFile));
}

std::vector<std::string> SlidePartsInPackage(const std::filesystem::path& file) {
    const auto main = OoxmlMainPart(file);
    const auto xml = main ? ReadZipEntry(file, *main) : std::nullopt;
    const auto prefix = xml ? PresentationPrefix(*xml) : std::nullopt;
    if (!prefix) return {};
    const std::string idPrefix = PrefixOf(*xml, kRelationships).value_or("r:");
    std::vector<std::string> parts;
    for (std::string_view slide : Elements(*xml, *prefix + "sldId"))
        parts.push_back(RelatedPart(file, *main, Attribute(slide, idPrefix + "id")));
    return parts;
}

std::string RelatedPart(const std::filesystem::path& file, const std::string& part, const std::string& id) {
    const auto relationships = id.empty() ? std::nullopt : ReadZipEntry(file, RelationshipsOf(part));
    if (!relationships) return {};
    for (std::string_view relationship : Elements(*relationships, "Relationship")) {
        if (Attribute(relationship, "Id") != id || Attribute(relationship, "TargetMode") == "External") continue;
        const std::string target = Attribute(relationship, "Target");
        return target.empty() ? std::string() : PartBeside(part, target);
    }
    return {};
}

std::vector<double> OwnSlideTimesInPackage(const std::filesystem::path& file) {
    std::vector<double> times;
    for (const std::string& name : SlidePartsInPackage(file)) {
        const auto part = name.empty() ? std::nullopt : ReadZipEntry(file, name);
        const auto slidePrefix = part ? PresentationPrefix(*part) : std::nullopt;
        double seconds = -1;
        // The first transition is PowerPoint's own; a fallback copy for older readers may follow.
        const auto transitions = slidePrefix ? Elements(*part, *slidePrefix + "transition") : std::vector<std::string_view>{};
        if (!transitions.empty()) {
            const std::string advance = Attribute(transitions.front(), "advTm");
            char* end = nullptr;
            const double milliseconds = advance.empty() ? -1 : std::strtod(advance.c_str(), &end);
            if (end && *end == '\0' && milliseconds >= 0) seconds = milliseconds / 1000;
        }
        times.push_back(seconds);
    }
    return times;
}

bool StartsLikePresentation(const std::filesystem::path& file) {
    const std::string head = Head(file, 8);
    return head.rfind(kZip, 0) == 0 || head.rfind(kCompoundFile, 0) == 0 || IsXmlStart(head);
}

}  // namespace kv
