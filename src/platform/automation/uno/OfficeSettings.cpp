#include "platform/automation/uno/OfficeSettings.h"

#include <unistd.h>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XNameReplace.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>

#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/core/PrivateFiles.h"

namespace kv::uno {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMisc = "/org.openoffice.Office.Common/Misc";
constexpr const char* kScripting = "/org.openoffice.Office.Common/Security/Scripting";

enum class Kind { Boolean, Number, EmptyList };

struct Setting {
    const char* group;
    const char* name;
    Kind kind;
    int value;
};

std::vector<Setting> Settings(bool linksAllowed) {
    return {
        // Documents are opened read-only and make no lock file either.
        {kMisc, "UseDocumentOOoLockFile", Kind::Boolean, 0},
        {kMisc, "UseDocumentSystemFileLocking", Kind::Boolean, 0},
        // The tip of the day opens with the first document of a day on a
        // profile and holds up the office's answers while it waits for a click.
        {kMisc, "ShowTipOfTheDay", Kind::Boolean, 0},
        // No macro runs: not on opening, not from a button, not from a trusted place.
        {kScripting, "DisableMacrosExecution", Kind::Boolean, 1},
        {kScripting, "MacroSecurityLevel", Kind::Number, 3},
        {kScripting, "SecureURL", Kind::EmptyList, 0},
        // Pictures and films a deck links to are not fetched; the pictures
        // beside the deck are given to the office by us instead.
        {kScripting, "BlockUntrustedRefererLinks", Kind::Boolean, linksAllowed ? 0 : 1},
        {kScripting, "HyperlinksWithCtrlClick", Kind::Boolean, 1},
    };
}

std::string XcuValue(const Setting& setting) {
    switch (setting.kind) {
    case Kind::Boolean: return setting.value ? "<value>true</value>" : "<value>false</value>";
    case Kind::Number: return "<value>" + std::to_string(setting.value) + "</value>";
    case Kind::EmptyList: return "<value/>";
    }
    return {};
}

css::uno::Any UnoValue(const Setting& setting) {
    switch (setting.kind) {
    case Kind::Boolean: return css::uno::Any(setting.value != 0);
    case Kind::Number: return css::uno::Any(sal_Int32(setting.value));
    case Kind::EmptyList: return css::uno::Any(css::uno::Sequence<OUString>());
    }
    return {};
}

std::string ItemLine(const Setting& setting) {
    return std::string("<item oor:path=\"") + setting.group + "\"><prop oor:name=\"" + setting.name +
           "\" oor:op=\"fuse\">" + XcuValue(setting) + "</prop></item>";
}

// A line of the file that sets one of our settings (the office writes one item a line).
bool SetsOneOfOurs(const std::string& line, const std::vector<Setting>& settings) {
    for (const Setting& setting : settings)
        if (line.find(std::string("oor:path=\"") + setting.group + "\"") != std::string::npos &&
            line.find(std::string("<prop oor:name=\"") + setting.name + "\"") != std::string::npos)
            return true;
    return false;
}

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
constexpr const char* kTail = "</oor:items>";

}  // namespace

std::string OfficeSettingItems(bool linksAllowed) {
    std::string items;
    for (const Setting& setting : Settings(linksAllowed)) items += ItemLine(setting) + "\n";
    return items;
}

bool WriteOfficeSettings(const fs::path& profile, bool linksAllowed, std::string* why) {
    const fs::path file = profile / "user" / "registrymodifications.xcu";
    const std::vector<Setting> settings = Settings(linksAllowed);
    std::string kept;
    {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("<?xml", 0) == 0 || line.rfind("<oor:items", 0) == 0 || line.rfind(kTail, 0) == 0) continue;
            if (!SetsOneOfOurs(line, settings)) kept += line + "\n";
        }
    }
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    const fs::path partial = file.string() + ".kalvista";
    fs::remove(partial, error);
    const std::string text = kHead + kept + OfficeSettingItems(linksAllowed) + kTail + "\n";
    const int fd = CreatePrivateFile(partial);
    const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd < 0 || ::close(fd) != 0 || !written) {
        fs::remove(partial, error);
        *why = "cannot write the office's settings into " + file.string();
        return false;
    }
    fs::rename(partial, file, error);
    if (error) *why = "cannot write the office's settings into " + file.string() + ": " + error.message();
    return !error;
}

void ApplyOfficeSettings(const Reference<css::uno::XComponentContext>& context, bool linksAllowed) {
    Reference<css::lang::XMultiServiceFactory> provider = css::configuration::theDefaultProvider::get(context);
    std::map<std::string, std::vector<Setting>> groups;
    for (const Setting& setting : Settings(linksAllowed)) groups[setting.group].push_back(setting);
    for (const auto& [group, settings] : groups) {
        css::beans::NamedValue node("nodepath", css::uno::Any(OUString::createFromAscii(group.c_str())));
        const css::uno::Any argument(node);
        css::uno::Sequence<css::uno::Any> arguments(&argument, 1);
        Reference<css::container::XNameReplace> access(
            provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationUpdateAccess", arguments),
            UNO_QUERY_THROW);
        for (const Setting& setting : settings)
            access->replaceByName(OUString::createFromAscii(setting.name), UnoValue(setting));
        Reference<css::util::XChangesBatch>(access, UNO_QUERY_THROW)->commitChanges();
    }
}

}  // namespace kv::uno
