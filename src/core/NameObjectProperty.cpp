// The property facet: variants addressed by (property class, key).
#include "core/NameObjectProperty.h"

#include "core/NameObject.h"
#include "core/Sections.h"

namespace {

// Smallest encodings: a variant is at least its 2-byte type, an entry its key and a variant,
// a property class its number and its key count.
constexpr int kMinVariant = 2;
constexpr int kMinEntry = 4 + kMinVariant;
constexpr int kMinClass = 8;

}  // namespace

// ---- variant encoding --------------------------------------------------------------------

int CNameObjectProperty::WriteVariant(CBufferWriter& writer, const _variant_t& value) {
    if (!writer.Write(value.vt)) return 0;
    if (value.vt == VT_BSTR) return writer.WriteString(value.GetString());
    // The rest of the 16-byte VARIANT: three reserved words, then the value area.
    std::uint8_t raw[16];
    value.GetRaw(raw);
    return writer.WriteByte(raw + 2, 14) ? 1 : 0;
}

int CNameObjectProperty::ReadVariant(CBufferReader& reader, _variant_t& value) {
    ReadGuard guard(reader);
    VARTYPE vt = VT_EMPTY;
    if (!reader.Read(vt)) return 0;
    if (vt == VT_BSTR) {
        CString text;
        if (!reader.ReadString(text)) return 0;
        value.SetString(text);
        return guard.Commit();
    }
    std::uint8_t raw[16];
    raw[0] = static_cast<std::uint8_t>(vt & 0xFF);
    raw[1] = static_cast<std::uint8_t>(vt >> 8);
    if (!reader.ReadRaw(raw + 2, 14)) return 0;
    value.SetRaw(raw);
    return guard.Commit();
}

// ---- section -------------------------------------------------------------------------------

int CNameObjectProperty::SaveExtProperty(CBufferWriter& writer) {
    SectionWriter section(writer);
    writer.Write(NAMEOBJECT_DATA_VERSION);
    writer.Write(static_cast<std::uint32_t>(m_mapProperty.size()));
    for (const auto& [propClass, keys] : m_mapProperty) {
        writer.Write(propClass);
        writer.Write(static_cast<std::uint32_t>(keys.size()));
        for (const auto& [key, value] : keys) {
            writer.Write(key);
            WriteVariant(writer, value);
        }
    }
    section.Finish();
    return 1;
}

int CNameObjectProperty::LoadExtProperty(CBufferReader& reader) {
    // The version is not compared: every version shares this layout.
    SectionReader section(reader);
    if (!section.Open()) return 0;
    m_mapProperty.clear();
    std::uint32_t classCount = 0;
    if (!ReadCount(reader, classCount, kMinClass)) return 0;
    for (std::uint32_t i = 0; i < classCount; ++i) {
        std::uint32_t propClass = 0;
        std::uint32_t keyCount = 0;
        if (!reader.Read(propClass) || !ReadCount(reader, keyCount, kMinEntry)) return 0;
        // Sections hold classes and keys in ascending order: end hints save the searches.
        KeyMap& keys = m_mapProperty.try_emplace(m_mapProperty.end(), propClass)->second;
        for (std::uint32_t j = 0; j < keyCount; ++j) {
            std::uint32_t key = 0;
            _variant_t value;
            if (!reader.Read(key) || !ReadVariant(reader, value)) return 0;
            keys.insert_or_assign(keys.end(), key, std::move(value));
        }
    }
    return section.Finish();
}

// ---- values --------------------------------------------------------------------------------

void CNameObjectProperty::SetProperty(std::uint32_t propClass, std::uint32_t key,
                                      const _variant_t& value) {
    m_mapProperty[propClass][key] = value;
}

_variant_t CNameObjectProperty::GetProperty(std::uint32_t propClass, std::uint32_t key) const {
    _variant_t value;
    GetProperty(propClass, key, value);
    return value;
}

int CNameObjectProperty::GetProperty(std::uint32_t propClass, std::uint32_t key,
                                     _variant_t& value) const {
    auto cls = m_mapProperty.find(propClass);
    if (cls != m_mapProperty.end()) {
        auto it = cls->second.find(key);
        if (it != cls->second.end()) {
            value = it->second;
            return 1;
        }
    }
    value.Clear();
    return 0;
}

std::uint32_t CNameObjectProperty::GetInt32Property(std::uint32_t propClass, std::uint32_t key,
                                                    std::uint32_t defaultValue) const {
    _variant_t value;
    if (!GetProperty(propClass, key, value)) return defaultValue;
    std::uint32_t result = 0;
    return value.ToUInt32(result) ? result : defaultValue;
}

const CNameObjectProperty::KeyMap& CNameObjectProperty::GetObjectProperty(
    std::uint32_t propClass) const {
    static const KeyMap kEmpty;
    auto it = m_mapProperty.find(propClass);
    return it == m_mapProperty.end() ? kEmpty : it->second;
}

CNameObjectProperty::KeyMap* CNameObjectProperty::GetObjectPropertyPtr(std::uint32_t propClass) {
    auto it = m_mapProperty.find(propClass);
    return it == m_mapProperty.end() ? nullptr : &it->second;
}

int CNameObjectProperty::SaveProperty(std::uint32_t propClass, std::uint32_t key,
                                      CBufferWriter& writer) const {
    const _variant_t value = GetProperty(propClass, key);
    if (value.vt == VT_NULL) return 0;
    if (!writer.Write(static_cast<std::uint32_t>(value.vt))) return 0;
    switch (value.vt) {
        case VT_I1:
        case VT_UI1:
            return writer.Write(static_cast<std::uint32_t>(value.bVal));
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return writer.Write(static_cast<std::int32_t>(value.iVal));
        case VT_I4:
        case VT_UI4:
        case VT_HRESULT:
        case VT_INT:
        case VT_UINT:
            return writer.Write(value.lVal);
        case VT_I8:
        case VT_UI8:
            return writer.Write(value.llVal);
        case VT_R4:
            return writer.Write(value.fltVal);
        case VT_R8:
        case VT_DATE:
            return writer.Write(value.dblVal);
        case VT_BSTR:
            return writer.WriteString(value.GetString());
        default:
            return 1;  // the type word alone
    }
}

std::int32_t CNameObjectProperty::_OnExtPropertyChange(const CNameObjectProperty& other,
                                                       std::uint32_t& changed,
                                                       std::uint32_t sections) {
    if ((sections & SECTION_EXT_PROPERTY) == 0 || TestPropertyIsSame(other)) return 0;
    auto* owner = dynamic_cast<CNameObject*>(this);
    if (owner == nullptr) return 0;
    std::map<std::uint32_t, std::set<std::uint32_t>> changeable;
    owner->GetChangeableExtProperty(changeable);
    bool any = false;
    for (const auto& [propClass, keys] : changeable) {
        for (std::uint32_t key : keys) {
            _variant_t theirs;
            if (!other.GetProperty(propClass, key, theirs)) {
                // Gone from the other copy: drop it here. A present class counts as a change.
                auto cls = m_mapProperty.find(propClass);
                if (cls != m_mapProperty.end()) {
                    cls->second.erase(key);
                    any = true;
                }
                continue;
            }
            _variant_t mine;
            if (!GetProperty(propClass, key, mine) || !(mine == theirs)) {
                SetProperty(propClass, key, theirs);
                any = true;
            }
        }
    }
    if (any) changed |= SECTION_EXT_PROPERTY;
    return 0;
}
