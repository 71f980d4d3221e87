#include "platform/Variant.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

using Int128 = __int128;

// A source value reduced to one of a few kinds before it is stored as the target type.
struct Value {
    enum Kind { kInteger, kReal, kCurrency } kind = kInteger;
    Int128 integer = 0;   // kInteger: exact
    double real = 0.0;    // kReal
    std::int64_t cy = 0;  // kCurrency: value x 10000
};

bool IsKnownType(VARTYPE vt) {
    return vt <= VT_DECIMAL || (vt >= VT_I1 && vt <= VT_UINT) || vt == VT_HRESULT;
}

bool IsIntegerType(VARTYPE vt) {
    return vt == VT_I1 || vt == VT_UI1 || vt == VT_I2 || vt == VT_UI2 || vt == VT_I4 ||
           vt == VT_UI4 || vt == VT_I8 || vt == VT_UI8 || vt == VT_INT || vt == VT_UINT;
}

void IntegerRange(VARTYPE vt, Int128& lo, Int128& hi) {
    switch (vt) {
        case VT_I1:
            lo = INT8_MIN;
            hi = INT8_MAX;
            break;
        case VT_UI1:
            lo = 0;
            hi = UINT8_MAX;
            break;
        case VT_I2:
            lo = INT16_MIN;
            hi = INT16_MAX;
            break;
        case VT_UI2:
            lo = 0;
            hi = UINT16_MAX;
            break;
        case VT_I4:
        case VT_INT:
            lo = INT32_MIN;
            hi = INT32_MAX;
            break;
        case VT_UI4:
        case VT_UINT:
            lo = 0;
            hi = UINT32_MAX;
            break;
        case VT_I8:
            lo = INT64_MIN;
            hi = INT64_MAX;
            break;
        default:
            lo = 0;
            hi = UINT64_MAX;
            break;  // VT_UI8
    }
}

// Currency to an integer, rounding the four decimals half to even.
Int128 RoundCurrency(std::int64_t cy) {
    Int128 q = cy / 10000;
    std::int64_t r = cy % 10000;
    std::int64_t mag = r < 0 ? -r : r;
    if (mag > 5000 || (mag == 5000 && (q & 1) != 0)) q += r < 0 ? -1 : 1;
    return q;
}

// Floating point to an integer, rounding half to even. False when out of every integer range.
bool RoundReal(double r, Int128& out) {
    if (std::isnan(r)) return false;
    double rounded = std::nearbyint(r);  // the default rounding mode ties to even
    if (!(rounded >= -9223372036854775808.0 && rounded < 18446744073709551616.0)) return false;
    out = rounded < 0 ? static_cast<Int128>(static_cast<std::int64_t>(rounded))
                      : static_cast<Int128>(static_cast<std::uint64_t>(rounded));
    return true;
}

double ToReal(const Value& v) {
    switch (v.kind) {
        case Value::kInteger:
            return static_cast<double>(v.integer);
        case Value::kCurrency:
            return static_cast<double>(v.cy) / 10000.0;
        default:
            return v.real;
    }
}

HRESULT Exact(Value& out, Int128 v) {
    out.kind = Value::kInteger;
    out.integer = v;
    return S_OK;
}

HRESULT Real(Value& out, double r) {
    out.kind = Value::kReal;
    out.real = r;
    return S_OK;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal number forms after optional blanks: "12", "-3", "+1.5", ".5", "1e3". Integers that
// fit 64 bits stay exact; everything else is read as a double.
HRESULT ParseNumber(const CString& text, Value& out) {
    const std::string utf8 = text.ToUtf8();
    std::string_view s = utf8;
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);

    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    bool integral = true;
    if (i < s.size() && s[i] == '.') {
        integral = false;
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return DISP_E_TYPEMISMATCH;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        integral = false;
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exp_digits = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return DISP_E_TYPEMISMATCH;
    }
    if (i != s.size()) return DISP_E_TYPEMISMATCH;

    const std::string number(s);
    if (integral && digits <= 20) {
        Int128 value = 0;
        for (char c : number) {
            if (IsDigit(c)) value = value * 10 + (c - '0');
        }
        if (number[0] == '-') value = -value;
        if (value >= INT64_MIN && value <= static_cast<Int128>(UINT64_MAX)) {
            return Exact(out, value);
        }
    }
    double r = std::strtod(number.c_str(), nullptr);
    if (std::isinf(r)) return DISP_E_OVERFLOW;
    return Real(out, r);
}

// The source as a number; strings are parsed.
HRESULT ToValue(const _variant_t& src, Value& out) {
    out = Value{};
    switch (src.vt) {
        case VT_EMPTY:
            return Exact(out, 0);
        case VT_I1:
            return Exact(out, src.cVal);
        case VT_UI1:
            return Exact(out, src.bVal);
        case VT_I2:
            return Exact(out, src.iVal);
        case VT_UI2:
            return Exact(out, src.uiVal);
        case VT_I4:
            return Exact(out, src.lVal);
        case VT_UI4:
            return Exact(out, src.ulVal);
        case VT_INT:
            return Exact(out, src.intVal);
        case VT_UINT:
            return Exact(out, src.uintVal);
        case VT_I8:
            return Exact(out, src.llVal);
        case VT_UI8:
            return Exact(out, src.ullVal);
        case VT_BOOL:
            return Exact(out, src.boolVal != 0 ? -1 : 0);
        case VT_R4:
            return Real(out, src.fltVal);
        case VT_R8:
            return Real(out, src.dblVal);
        case VT_DATE:
            return Real(out, src.date);
        case VT_CY:
            out.kind = Value::kCurrency;
            out.cy = src.cyVal;
            return S_OK;
        case VT_BSTR:
            return ParseNumber(src.GetString(), out);
        default:
            return IsKnownType(src.vt) ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
    }
}

bool DateInRange(double d) {
    COleDateTime::Fields f;
    return COleDateTime(d).GetAsFields(f);
}

// "%.*g" without a negative zero, with the exponent written as "E".
std::string RealText(double r, int digits) {
    if (r == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, r);
    for (char* p = buf; *p; ++p) {
        if (*p == 'e') *p = 'E';
    }
    return buf;
}

std::string IntegerText(Int128 v) {
    bool neg = v < 0;
    unsigned __int128 mag = neg ? -static_cast<unsigned __int128>(v) : v;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(mag % 10)));
        mag /= 10;
    } while (mag != 0);
    return neg ? "-" + digits : digits;
}

std::string CurrencyText(std::int64_t cy) {
    Int128 v = cy;
    bool neg = v < 0;
    if (neg) v = -v;
    std::string text = (neg ? "-" : "") + IntegerText(v / 10000);
    int frac = static_cast<int>(v % 10000);
    if (frac != 0) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%04d", frac);
        std::string f = buf;
        while (f.back() == '0') f.pop_back();
        text += f;
    }
    return text;
}

HRESULT ToTextForm(const _variant_t& src, std::string& out) {
    switch (src.vt) {
        case VT_EMPTY:
            out.clear();
            return S_OK;
        case VT_R4:
            out = RealText(src.fltVal, 7);
            return S_OK;
        case VT_R8:
            out = RealText(src.dblVal, 15);
            return S_OK;
        case VT_CY:
            out = CurrencyText(src.cyVal);
            return S_OK;
        case VT_DATE: {
            std::string text = COleDateTime(src.date).Format("%Y-%m-%d %H:%M:%S").ToUtf8();
            if (text.empty()) return DISP_E_OVERFLOW;
            constexpr std::string_view kMidnight = " 00:00:00";
            if (text.ends_with(kMidnight)) text.resize(text.size() - kMidnight.size());
            out = text;
            return S_OK;
        }
        default: {
            Value v;
            HRESULT hr = ToValue(src, v);
            if (hr != S_OK) return hr;
            out = IntegerText(v.integer);  // only integer kinds remain here
            return S_OK;
        }
    }
}

bool EqualsNoCase(const CString& a, const char16_t* b) { return a.CompareNoCase(CString(b)) == 0; }

// Converts a decoded value to an integer variant type: S_OK, or DISP_E_OVERFLOW out of range.
// A BOOL's true (-1) wraps into an unsigned type as all bits set (fromBool).
HRESULT ConvertToInteger(const Value& v, VARTYPE vt, bool fromBool, _variant_t& dst) {
    Int128 n = v.integer;
    if (v.kind == Value::kCurrency) n = RoundCurrency(v.cy);
    if (v.kind == Value::kReal && !RoundReal(v.real, n)) return DISP_E_OVERFLOW;
    Int128 lo, hi;
    IntegerRange(vt, lo, hi);
    if (fromBool && lo == 0 && n == -1) n = hi;
    if (n < lo || n > hi) return DISP_E_OVERFLOW;
    dst.vt = vt;
    switch (vt) {
        case VT_I1:
            dst.cVal = static_cast<std::int8_t>(n);
            break;
        case VT_UI1:
            dst.bVal = static_cast<std::uint8_t>(n);
            break;
        case VT_I2:
            dst.iVal = static_cast<std::int16_t>(n);
            break;
        case VT_UI2:
            dst.uiVal = static_cast<std::uint16_t>(n);
            break;
        case VT_I4:
        case VT_INT:
            dst.lVal = static_cast<std::int32_t>(n);
            break;
        case VT_UI4:
        case VT_UINT:
            dst.ulVal = static_cast<std::uint32_t>(n);
            break;
        case VT_I8:
            dst.llVal = static_cast<std::int64_t>(n);
            break;
        default:
            dst.ullVal = static_cast<std::uint64_t>(n);
            break;
    }
    return S_OK;
}

// Converts a decoded value to a real, date, currency or boolean variant type.
HRESULT ConvertToOther(const Value& v, VARTYPE vt, _variant_t& dst) {
    switch (vt) {
        case VT_R4: {
            double r = ToReal(v);
            if (std::isfinite(r) && std::fabs(r) > FLT_MAX) return DISP_E_OVERFLOW;
            dst = _variant_t(static_cast<float>(r));
            return S_OK;
        }
        case VT_R8:
            dst = _variant_t(ToReal(v));
            return S_OK;
        case VT_DATE: {
            double r = ToReal(v);
            if (!DateInRange(r)) return DISP_E_OVERFLOW;
            dst = _variant_t(r, VT_DATE);
            return S_OK;
        }
        case VT_CY: {
            Int128 cy = 0;
            if (v.kind == Value::kCurrency) {
                cy = v.cy;
            } else if (v.kind == Value::kInteger) {
                cy = v.integer * 10000;
            } else if (!RoundReal(v.real * 10000.0, cy)) {
                return DISP_E_OVERFLOW;
            }
            if (cy < INT64_MIN || cy > INT64_MAX) return DISP_E_OVERFLOW;
            dst.vt = VT_CY;
            dst.cyVal = static_cast<std::int64_t>(cy);
            return S_OK;
        }
        case VT_BOOL: {
            bool b = v.kind == Value::kInteger    ? v.integer != 0
                     : v.kind == Value::kCurrency ? v.cy != 0
                                                  : v.real != 0;
            dst = _variant_t(b);
            return S_OK;
        }
        default:
            return IsKnownType(vt) ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
    }
}

// Builds the target value into dst (a fresh VT_EMPTY variant).
HRESULT Convert(const _variant_t& src, VARTYPE vt, _variant_t& dst) {
    if (vt == VT_BSTR) {
        std::string text;
        HRESULT hr = ToTextForm(src, text);
        if (hr == S_OK) dst.SetString(CString::FromUtf8(text));
        return hr;
    }
    if (vt == VT_DATE && src.vt == VT_BSTR) {
        COleDateTime d;
        if (!d.ParseDateTime(src.GetString())) return DISP_E_TYPEMISMATCH;
        dst = _variant_t(d.m_dt, VT_DATE);
        return S_OK;
    }
    if (vt == VT_BOOL && src.vt == VT_BSTR) {
        // The words and the language-neutral "#TRUE#" / "#FALSE#"; otherwise a number.
        CString t = src.GetString();
        t.Trim();
        const bool isTrue = EqualsNoCase(t, u"true") || EqualsNoCase(t, u"#true#");
        if (isTrue || EqualsNoCase(t, u"false") || EqualsNoCase(t, u"#false#")) {
            dst = _variant_t(isTrue);
            return S_OK;
        }
    }

    Value v;
    HRESULT hr = ToValue(src, v);
    if (hr != S_OK) return hr;

    if (IsIntegerType(vt)) return ConvertToInteger(v, vt, src.vt == VT_BOOL, dst);
    return ConvertToOther(v, vt, dst);
}

// Converts src to vt and hands the converted value to out; out is untouched on an error.
template <typename T, typename Get>
bool ReadAs(const _variant_t& src, VARTYPE vt, T& out, Get get) {
    _variant_t v;
    if (v.ChangeType(vt, &src) != S_OK) return false;
    out = get(v);
    return true;
}

// Bytes of the value area that carry the value of each type.
std::size_t ValueSize(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_BSTR:
            return 0;
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
        case VT_HRESULT:
            return 4;
        default:
            return 8;
    }
}

}  // namespace

_variant_t::_variant_t(char v) : vt(VT_I1) { cVal = static_cast<std::int8_t>(v); }
_variant_t::_variant_t(signed char v) : vt(VT_I1) { cVal = v; }
_variant_t::_variant_t(unsigned char v) : vt(VT_UI1) { bVal = v; }
_variant_t::_variant_t(short v) : vt(VT_I2) { iVal = v; }
_variant_t::_variant_t(unsigned short v) : vt(VT_UI2) { uiVal = v; }
_variant_t::_variant_t(int v) : vt(VT_INT) { intVal = v; }
_variant_t::_variant_t(unsigned int v) : vt(VT_UINT) { uintVal = v; }
_variant_t::_variant_t(long v) : vt(VT_I8) { llVal = v; }
_variant_t::_variant_t(unsigned long v) : vt(VT_UI8) { ullVal = v; }
_variant_t::_variant_t(long long v) : vt(VT_I8) { llVal = v; }
_variant_t::_variant_t(unsigned long long v) : vt(VT_UI8) { ullVal = v; }
_variant_t::_variant_t(float v) : vt(VT_R4) { fltVal = v; }
_variant_t::_variant_t(double v) : vt(VT_R8) { dblVal = v; }
_variant_t::_variant_t(bool v) : vt(VT_BOOL) { boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; }
_variant_t::_variant_t(const char16_t* s) : vt(VT_BSTR), m_bstr(s) {}
_variant_t::_variant_t(const CString& s) : vt(VT_BSTR), m_bstr(s) {}
_variant_t::_variant_t(const COleDateTime& d) : vt(VT_DATE) { date = d.m_dt; }

_variant_t::_variant_t(std::int32_t v, VARTYPE type) {
    switch (type) {
        case VT_BOOL:
            vt = VT_BOOL;
            boolVal = v != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_ERROR:
        case VT_HRESULT:
            vt = type;
            lVal = v;
            break;
        default:  // VT_I4 and anything not meant for a 32-bit value
            vt = VT_I4;
            lVal = v;
            break;
    }
}

_variant_t::_variant_t(double v, VARTYPE type) : vt(type == VT_DATE ? VT_DATE : VT_R8) {
    dblVal = v;
}

_variant_t _variant_t::Null() {
    _variant_t v;
    v.vt = VT_NULL;
    return v;
}

void _variant_t::Clear() {
    vt = VT_EMPTY;
    wReserved1 = wReserved2 = wReserved3 = 0;
    llVal = 0;
    m_bstr.Empty();
}

HRESULT _variant_t::ChangeType(VARTYPE vtNew, const _variant_t* src) {
    const _variant_t& from = src ? *src : *this;
    if (!IsKnownType(vtNew) || !IsKnownType(from.vt)) return DISP_E_BADVARTYPE;
    if (from.vt == vtNew) {
        if (src) *this = *src;
        return S_OK;
    }
    if (vtNew == VT_EMPTY && from.vt != VT_NULL) {
        Clear();
        return S_OK;
    }
    if (vtNew == VT_NULL) {
        // Every plain value may become NULL; errors and the reserved type 15 may not.
        if (from.vt > VT_UINT || from.vt == VT_ERROR || from.vt == 15) return DISP_E_TYPEMISMATCH;
        Clear();
        vt = VT_NULL;
        return S_OK;
    }
    if (from.vt == VT_NULL) return DISP_E_TYPEMISMATCH;

    _variant_t result;
    HRESULT hr = Convert(from, vtNew, result);
    if (hr == S_OK) *this = std::move(result);
    return hr;
}

bool _variant_t::ToInt32(std::int32_t& out) const {
    return ReadAs(*this, VT_I4, out, [](const _variant_t& v) { return v.lVal; });
}

bool _variant_t::ToUInt32(std::uint32_t& out) const {
    return ReadAs(*this, VT_UI4, out, [](const _variant_t& v) { return v.ulVal; });
}

bool _variant_t::ToInt64(std::int64_t& out) const {
    return ReadAs(*this, VT_I8, out, [](const _variant_t& v) { return v.llVal; });
}

bool _variant_t::ToUInt64(std::uint64_t& out) const {
    return ReadAs(*this, VT_UI8, out, [](const _variant_t& v) { return v.ullVal; });
}

bool _variant_t::ToDouble(double& out) const {
    return ReadAs(*this, VT_R8, out, [](const _variant_t& v) { return v.dblVal; });
}

bool _variant_t::ToText(CString& out) const {
    return ReadAs(*this, VT_BSTR, out, [](const _variant_t& v) { return v.GetString(); });
}

void _variant_t::GetRaw(std::uint8_t out[16]) const {
    const std::uint16_t words[4] = {vt, wReserved1, wReserved2, wReserved3};
    for (int i = 0; i < 4; ++i) {
        out[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
        out[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    // The value area as it lies in memory: small values at its start.
    if (vt == VT_BSTR) {
        std::memset(out + 8, 0, 8);
    } else {
        std::memcpy(out + 8, &ullVal, 8);
    }
}

void _variant_t::SetRaw(const std::uint8_t in[16]) {
    std::uint16_t words[4];
    for (int i = 0; i < 4; ++i) {
        words[i] = static_cast<std::uint16_t>(in[2 * i] | (in[2 * i + 1] << 8));
    }
    vt = words[0];
    wReserved1 = words[1];
    wReserved2 = words[2];
    wReserved3 = words[3];
    m_bstr.Empty();
    if (vt == VT_BSTR) {
        llVal = 0;
    } else {
        std::memcpy(&ullVal, in + 8, 8);
    }
}

void _variant_t::SetString(const CString& s) {
    vt = VT_BSTR;
    llVal = 0;
    m_bstr = s;
}

bool operator==(const _variant_t& a, const _variant_t& b) {
    if (a.vt != b.vt) return false;
    if (a.vt == VT_BSTR) return a.m_bstr == b.m_bstr;
    if (a.vt == VT_DECIMAL && (a.wReserved1 != b.wReserved1 || a.wReserved2 != b.wReserved2 ||
                               a.wReserved3 != b.wReserved3)) {
        return false;
    }
    return std::memcmp(&a.ullVal, &b.ullVal, ValueSize(a.vt)) == 0;
}
