#pragma once
// A typed value passed to and returned from automation calls.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/automation/AutomationTypes.h"

namespace kv {

class DispatchObject;
using DispatchPtr = std::shared_ptr<DispatchObject>;

constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R4 = 4;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_DISPATCH = 9;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_I8 = 20;
constexpr VARTYPE VT_BYREF = 0x4000;

struct Variant {
    VARTYPE vt = VT_EMPTY;
    std::int64_t intVal = 0;       // VT_I2, VT_I4, VT_I8, VT_BOOL (-1 true), VT_ERROR (the code)
    double dblVal = 0;             // VT_R4, VT_R8
    std::string bstrVal;           // VT_BSTR, UTF-8
    DispatchPtr pdispVal;          // VT_DISPATCH
    DispatchPtr* ppdispVal = nullptr;  // VT_BYREF | VT_DISPATCH

    static Variant I2(std::int16_t v);
    static Variant I4(std::int32_t v);
    static Variant I8(std::int64_t v);
    static Variant R4(float v);
    static Variant Bool(bool v);
    static Variant Bstr(std::string v);
    static Variant Dispatch(DispatchPtr v);
    static Variant DispatchByRef(DispatchPtr* v);
    // An omitted optional argument: VT_ERROR holding DISP_E_PARAMNOTFOUND.
    static Variant Missing();

    bool IsEmpty() const { return vt == VT_EMPTY; }
    bool IsMissing() const { return vt == VT_ERROR && intVal == DISP_E_PARAMNOTFOUND; }
    // Conversions used by callers and servers; each throws an
    // AutomationException(DISP_E_TYPEMISMATCH) for a value of another kind.
    std::int32_t ToInt() const;
    std::int64_t ToInt64() const;
    float ToFloat() const;
    const std::string& ToString() const;
    // The object held by value or by reference; null for VT_EMPTY.
    DispatchPtr ToDispatch() const;
};

}  // namespace kv
