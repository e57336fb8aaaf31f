#include "platform/files/XmlTree.h"

#include <cstring>

namespace kv {

namespace {

std::string LocalName(const std::string& name) {
    const std::size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

std::string Unescaped(const std::string& text) {
    static const std::pair<const char*, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&')
            for (const auto& [entity, character] : kEntities)
                if (text.compare(i, std::strlen(entity), entity) == 0) {
                    out += character;
                    i += std::strlen(entity);
                    replaced = true;
                    break;
                }
        if (!replaced) out += text[i++];
    }
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

class Reader {
public:
    explicit Reader(const std::string& text) : m_text(text) {}

    std::optional<XmlElement> Document() {
        std::vector<XmlElement> stack;
        std::optional<XmlElement> root;
        while (m_at < m_text.size()) {
            const std::size_t open = m_text.find('<', m_at);
            if (open == std::string::npos) break;
            m_at = open;
            if (Skip("<?", "?>") || Skip("<!--", "-->") || Skip("<![CDATA[", "]]>") || Skip("<!", ">")) continue;
            if (m_text.compare(m_at, 2, "</") == 0) {
                const std::size_t end = m_text.find('>', m_at);
                if (end == std::string::npos || stack.empty()) return std::nullopt;
                m_at = end + 1;
                XmlElement done = std::move(stack.back());
                stack.pop_back();
                if (!Place(std::move(done), stack, root)) return std::nullopt;
                continue;
            }
            bool closed = false;
            std::optional<XmlElement> element = Tag(closed);
            if (!element) return std::nullopt;
            if (closed) {
                if (!Place(std::move(*element), stack, root)) return std::nullopt;
            } else {
                stack.push_back(std::move(*element));
            }
        }
        return stack.empty() ? root : std::nullopt;
    }

private:
    bool Skip(const char* start, const char* end) {
        if (m_text.compare(m_at, std::strlen(start), start) != 0) return false;
        const std::size_t at = m_text.find(end, m_at + std::strlen(start));
        m_at = at == std::string::npos ? m_text.size() : at + std::strlen(end);
        return true;
    }

    static bool Place(XmlElement element, std::vector<XmlElement>& stack, std::optional<XmlElement>& root) {
        if (!stack.empty()) {
            stack.back().children.push_back(std::move(element));
            return true;
        }
        if (root) return false;  // a second root
        root = std::move(element);
        return true;
    }

    // One start tag at m_at; `closed` when it closes itself.
    std::optional<XmlElement> Tag(bool& closed) {
        ++m_at;
        XmlElement element;
        const std::size_t nameEnd = m_text.find_first_of(" \t\r\n/>", m_at);
        if (nameEnd == std::string::npos) return std::nullopt;
        element.name = LocalName(m_text.substr(m_at, nameEnd - m_at));
        m_at = nameEnd;
        for (;;) {
            while (m_at < m_text.size() && IsSpace(m_text[m_at])) ++m_at;
            if (m_at >= m_text.size()) return std::nullopt;
            if (m_text[m_at] == '>') return ++m_at, element;
            if (m_text.compare(m_at, 2, "/>") == 0) return m_at += 2, closed = true, element;
            const std::size_t equals = m_text.find('=', m_at);
            if (equals == std::string::npos || equals + 1 >= m_text.size()) return std::nullopt;
            std::string key = m_text.substr(m_at, equals - m_at);
            while (!key.empty() && IsSpace(key.back())) key.pop_back();
            std::size_t quote = equals + 1;
            while (quote < m_text.size() && IsSpace(m_text[quote])) ++quote;
            if (quote >= m_text.size() || (m_text[quote] != '"' && m_text[quote] != '\'')) return std::nullopt;
            const std::size_t end = m_text.find(m_text[quote], quote + 1);
            if (end == std::string::npos) return std::nullopt;
            element.attributes[LocalName(key)] = Unescaped(m_text.substr(quote + 1, end - quote - 1));
            m_at = end + 1;
        }
    }

    const std::string& m_text;
    std::size_t m_at = 0;
};

}  // namespace

std::string XmlElement::Attribute(const std::string& key) const {
    const auto found = attributes.find(key);
    return found == attributes.end() ? std::string() : found->second;
}

const XmlElement* XmlElement::Child(const std::string& childName) const {
    for (const XmlElement& child : children)
        if (child.name == childName) return &child;
    return nullptr;
}

const XmlElement* XmlElement::Find(const std::string& elementName) const {
    if (name == elementName) return this;
    for (const XmlElement& child : children)
        if (const XmlElement* found = child.Find(elementName)) return found;
    return nullptr;
}

void XmlElement::FindAll(const std::string& elementName, std::vector<const XmlElement*>& found) const {
    if (name == elementName) found.push_back(this);
    for (const XmlElement& child : children) child.FindAll(elementName, found);
}

std::optional<XmlElement> ParseXml(const std::string& text) { return Reader(text).Document(); }

}  // namespace kv
