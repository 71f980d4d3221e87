// CNameObjectProperty: typed values (variants) addressed by (property class, key). Travels
// as the property section (0x20) of a frame and as the ObjectProperty BLOB of the row.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "platform/BufferIO.h"
#include "platform/Export.h"
#include "platform/Variant.h"

class NAMEOBJECT_API CNameObjectProperty {
public:
    using KeyMap = std::map<std::uint32_t, _variant_t>;
    using PropertyMap = std::map<std::uint32_t, KeyMap>;

    CNameObjectProperty() = default;
    CNameObjectProperty(const CNameObjectProperty&) = default;
    CNameObjectProperty& operator=(const CNameObjectProperty&) = default;
    virtual ~CNameObjectProperty() = default;

    // The section: length word, base data version, class count, then per class its number,
    // key count and (key, variant) entries. A variant is its 2-byte type, then a wide string
    // for BSTR or the 14 remaining bytes of the 16-byte VARIANT otherwise.
    virtual int LoadExtProperty(CBufferReader& reader);
    virtual int SaveExtProperty(CBufferWriter& writer);

    void SetProperty(std::uint32_t propClass, std::uint32_t key, const _variant_t& value);
    _variant_t GetProperty(std::uint32_t propClass, std::uint32_t key) const;  // VT_EMPTY if absent
    int GetProperty(std::uint32_t propClass, std::uint32_t key, _variant_t& value) const;
    // The value converted to an unsigned 32-bit integer; the default when absent or when the
    // conversion fails.
    std::uint32_t GetInt32Property(std::uint32_t propClass, std::uint32_t key,
                                   std::uint32_t defaultValue) const;
    const KeyMap& GetObjectProperty(std::uint32_t propClass) const;  // or a shared empty map
    KeyMap* GetObjectPropertyPtr(std::uint32_t propClass);
    PropertyMap& GetObjectProperty() { return m_mapProperty; }
    const PropertyMap& GetObjectProperty() const { return m_mapProperty; }

    bool TestPropertyIsSame(const CNameObjectProperty& other) const {
        return m_mapProperty == other.m_mapProperty;
    }
    bool operator==(const CNameObjectProperty& other) const { return TestPropertyIsSame(other); }

    // One value in the compact typed encoding: 4-byte type, then the value by type (nothing
    // at all for VT_NULL, whose result is 0). Result 1 or 0.
    int SaveProperty(std::uint32_t propClass, std::uint32_t key, CBufferWriter& writer) const;

    // Merges the changeable properties of other (see the owner's GetChangeableExtProperty);
    // ORs 0x20 into changed when something changed. Returns 0.
    std::int32_t _OnExtPropertyChange(const CNameObjectProperty& other, std::uint32_t& changed,
                                      std::uint32_t sections);

    // The variant encoding of the property section, shared with other readers.
    static int WriteVariant(CBufferWriter& writer, const _variant_t& value);
    static int ReadVariant(CBufferReader& reader, _variant_t& value);

protected:
    PropertyMap m_mapProperty;
};
