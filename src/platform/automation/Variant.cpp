#include "platform/automation/Variant.h"

#include <cmath>
#include <cstdio>

#include "platform/automation/Dispatch.h"

namespace kv {

std::string GuidToString(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

namespace {
Variant Of(VARTYPE vt, std::int64_t value) {
    Variant v;
    v.vt = vt;
    v.intVal = value;
    return v;
}
[[noreturn]] void Mismatch(VARTYPE vt, const char* wanted) {
    throw AutomationException(DISP_E_TYPEMISMATCH, "variant of type " + std::to_string(vt) + " is not " + wanted);
}
}  // namespace

Variant Variant::I2(std::int16_t v) { return Of(VT_I2, v); }
Variant Variant::I4(std::int32_t v) { return Of(VT_I4, v); }
Variant Variant::I8(std::int64_t v) { return Of(VT_I8, v); }
Variant Variant::Bool(bool v) { return Of(VT_BOOL, v ? -1 : 0); }
Variant Variant::Missing() { return Of(VT_ERROR, DISP_E_PARAMNOTFOUND); }

Variant Variant::R4(float v) {
    Variant r;
    r.vt = VT_R4;
    r.dblVal = v;
    return r;
}

Variant Variant::Bstr(std::string v) {
    Variant r;
    r.vt = VT_BSTR;
    r.bstrVal = std::move(v);
    return r;
}

Variant Variant::Dispatch(DispatchPtr v) {
    Variant r;
    r.vt = VT_DISPATCH;
    r.pdispVal = std::move(v);
    return r;
}

Variant Variant::DispatchByRef(DispatchPtr* v) {
    Variant r;
    r.vt = VT_BYREF | VT_DISPATCH;
    r.ppdispVal = v;
    return r;
}

std::int64_t Variant::ToInt64() const {
    switch (vt) {
    case VT_I2: case VT_I4: case VT_I8: case VT_BOOL:
        return intVal;
    case VT_R4: case VT_R8:
        return static_cast<std::int64_t>(std::lround(dblVal));
    default:
        Mismatch(vt, "a number");
    }
}

std::int32_t Variant::ToInt() const { return static_cast<std::int32_t>(ToInt64()); }

float Variant::ToFloat() const {
    if (vt == VT_R4 || vt == VT_R8) return static_cast<float>(dblVal);
    return static_cast<float>(ToInt64());
}

const std::string& Variant::ToString() const {
    if (vt != VT_BSTR) Mismatch(vt, "a string");
    return bstrVal;
}

DispatchPtr Variant::ToDispatch() const {
    if (vt == VT_EMPTY) return nullptr;
    if (vt == VT_DISPATCH) return pdispVal;
    if (vt == (VT_BYREF | VT_DISPATCH)) return ppdispVal ? *ppdispVal : nullptr;
    Mismatch(vt, "an object");
}

}  // namespace kv
