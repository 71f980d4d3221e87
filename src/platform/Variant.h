// _variant_t: an OLE automation variant with the 16-byte VARIANT layout (2-byte type, three
// 2-byte reserved words, 8-byte value area) plus an owned string for VT_BSTR.
//
// Conversions (ChangeType) follow the OLE rules without flags: numbers between types with
// overflow errors, floating point rounded half to even, strings parsed, numbers and dates to
// text. Any value of a type up to VT_UINT except VT_ERROR converts to VT_NULL; VT_NULL converts
// to nothing else. BOOL true converts to an unsigned type as all bits set (0xFF .. 0xFFFFFFFF...);
// text converts to BOOL from "True" / "False" / "#TRUE#" / "#FALSE#" (any case) or a number.
// Errors are returned as HRESULT codes; nothing is thrown.
//
// Text forms chosen on this platform:
//   integers  decimal ("12", "-3");  R4 up to 7 and R8 up to 15 significant digits without
//   trailing zeros ("1.5", "0.1", "100");  BOOL "-1" / "0";
//   dates     "YYYY-MM-DD HH:MM:SS", or "YYYY-MM-DD" at midnight; parsing accepts both.
#pragma once

#include <cstdint>
#include <string>

#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/OleDateTime.h"

using VARTYPE = std::uint16_t;
using HRESULT = std::int32_t;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_HRESULT = 25,
};

constexpr HRESULT S_OK = 0;
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr std::int16_t VARIANT_TRUE = -1;
constexpr std::int16_t VARIANT_FALSE = 0;

class NAMEOBJECT_API _variant_t {
public:
    _variant_t() = default;  // VT_EMPTY
    _variant_t(const _variant_t&) = default;
    _variant_t(_variant_t&&) noexcept = default;
    _variant_t& operator=(const _variant_t&) = default;
    _variant_t& operator=(_variant_t&&) noexcept = default;

    // The constructors pick the type as the framework's _variant_t does.
    _variant_t(char v);                 // VT_I1
    _variant_t(signed char v);          // VT_I1
    _variant_t(unsigned char v);        // VT_UI1
    _variant_t(short v);                // VT_I2
    _variant_t(unsigned short v);       // VT_UI2
    _variant_t(int v);                  // VT_INT
    _variant_t(unsigned int v);         // VT_UINT
    _variant_t(long v);                 // VT_I8 (long is 64-bit here)
    _variant_t(unsigned long v);        // VT_UI8
    _variant_t(long long v);            // VT_I8
    _variant_t(unsigned long long v);   // VT_UI8
    _variant_t(float v);                // VT_R4
    _variant_t(double v);               // VT_R8
    _variant_t(bool v);                 // VT_BOOL (-1 / 0)
    _variant_t(const char16_t* s);      // VT_BSTR (null: empty string)
    _variant_t(const CString& s);       // VT_BSTR
    _variant_t(const COleDateTime& d);  // VT_DATE
    // A 32-bit value with an explicit type (the framework's _variant_t(long, VARTYPE)):
    // VT_I4, VT_UI4, VT_INT, VT_UINT, VT_ERROR, VT_HRESULT or VT_BOOL.
    _variant_t(std::int32_t v, VARTYPE vt);
    // A double with an explicit type: VT_R8 or VT_DATE.
    _variant_t(double v, VARTYPE vt);

    static _variant_t Null();  // VT_NULL

    void Clear();  // back to VT_EMPTY, value area zeroed

    // Converts in place (src null) or from src into this. On error this is unchanged and the
    // HRESULT tells why.
    HRESULT ChangeType(VARTYPE vtNew, const _variant_t* src = nullptr);

    // Typed reads through ChangeType; false (and out untouched) on a conversion error.
    bool ToInt32(std::int32_t& out) const;
    bool ToUInt32(std::uint32_t& out) const;
    bool ToInt64(std::int64_t& out) const;
    bool ToUInt64(std::uint64_t& out) const;
    bool ToDouble(double& out) const;
    bool ToText(CString& out) const;  // the text form above

    // The 16 bytes of the VARIANT as they lie in memory (little-endian): vt, three reserved
    // words, value area. A BSTR's value area holds no pointer here (zero).
    void GetRaw(std::uint8_t out[16]) const;
    // Rebuilds a variant from those bytes. A VT_BSTR read this way holds an empty string; the
    // caller sets the text with SetString.
    void SetRaw(const std::uint8_t in[16]);
    void SetString(const CString& s);  // becomes VT_BSTR

    const CString& GetString() const { return m_bstr; }  // VT_BSTR only; empty otherwise

    // Same type and same value (strings by content; other types by their significant bytes).
    friend NAMEOBJECT_API bool operator==(const _variant_t& a, const _variant_t& b);

    VARTYPE vt = VT_EMPTY;
    std::uint16_t wReserved1 = 0;
    std::uint16_t wReserved2 = 0;
    std::uint16_t wReserved3 = 0;
    union {
        std::int64_t llVal = 0;
        std::uint64_t ullVal;
        std::int32_t lVal;
        std::uint32_t ulVal;
        int intVal;
        unsigned int uintVal;
        std::int16_t iVal;
        std::uint16_t uiVal;
        std::int8_t cVal;
        std::uint8_t bVal;
        float fltVal;
        double dblVal;
        double date;
        std::int16_t boolVal;
        std::int32_t scode;
        std::int64_t cyVal;  // currency, value x 10000
    };

private:
    CString m_bstr;
};
