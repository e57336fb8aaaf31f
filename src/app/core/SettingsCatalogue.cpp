#include "app/core/SettingsCatalogue.h"

#include "app/core/RegSettings.h"

namespace kv::settings {

std::string StringSetting::Get() const { return GetOr(defaultValue); }

std::string StringSetting::GetOr(const char* otherDefault) const {
    return CRegSettings().GetString(section, name, otherDefault);
}

int StringSetting::Set(const std::string& text) const { return CRegSettings().SetString(section, name, text); }

std::uint32_t NumberSetting::Get() const { return GetOr(defaultValue); }

std::uint32_t NumberSetting::GetOr(std::uint32_t otherDefault) const {
    return CRegSettings().GetDWORD(section, name, otherDefault);
}

int NumberSetting::Set(std::uint32_t number) const { return CRegSettings().SetDWORD(section, name, number); }

}  // namespace kv::settings
