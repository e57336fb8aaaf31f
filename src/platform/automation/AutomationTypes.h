#pragma once
// The vocabulary of office automation: result codes, interface identifiers,
// member numbers and call kinds, kept in the shapes the office's published
// automation interface uses so calls read the same on every backend.
#include <cstdint>
#include <string>

#include "platform/automation/HResult.h"

namespace kv {

using DISPID = std::int32_t;
using LCID = std::uint32_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using VARTYPE = std::uint16_t;

// Call kinds of Invoke.
constexpr WORD DISPATCH_METHOD = 1;
constexpr WORD DISPATCH_PROPERTYGET = 2;
constexpr WORD DISPATCH_PROPERTYPUT = 4;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};
    friend bool operator==(const GUID& a, const GUID& b) = default;
};
using IID = GUID;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::string GuidToString(const GUID& guid);

inline constexpr GUID IID_NULL{};
inline constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IConnectionPointContainer{
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr GUID IID_IConnectionPoint{
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// The office application's event interface (slide-show begin, next slide, end, ...).
inline constexpr GUID DIID_EApplication{
    0x914934C2, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};

}  // namespace kv
