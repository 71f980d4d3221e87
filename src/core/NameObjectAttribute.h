// CNameObjectAttribute: flags as sets of 32-bit values grouped by attribute class. Travels
// as the attribute section (0x04) of a frame and as the ObjectAttribute BLOB of the row.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "platform/BufferIO.h"
#include "platform/Export.h"

class NAMEOBJECT_API CNameObjectAttribute {
public:
    using ValueSet = std::set<std::uint32_t>;
    using AttributeMap = std::map<std::uint32_t, ValueSet>;

    CNameObjectAttribute() = default;
    CNameObjectAttribute(const CNameObjectAttribute&) = default;
    CNameObjectAttribute& operator=(const CNameObjectAttribute&) = default;
    virtual ~CNameObjectAttribute() = default;

    // The section: length word, base data version, class count, then per class its number,
    // value count and values ascending. Save always returns 1; Load returns 1 or 0 (position
    // restored, the map keeps what was read).
    virtual int LoadExtAttribute(CBufferReader& reader);
    virtual int SaveExtAttribute(CBufferWriter& writer);

    void AddAttribute(std::uint32_t attrClass, std::uint32_t value);
    // Erases the value; a class whose set becomes empty is erased too.
    void RemoveAttribute(std::uint32_t attrClass, std::uint32_t value);
    int TestAttribute(std::uint32_t attrClass, std::uint32_t value) const;
    void SetAttribute(std::uint32_t attrClass, std::uint32_t value, int on);

    ValueSet* GetObjectAttributePtr(std::uint32_t attrClass);
    const ValueSet& GetObjectAttribute(std::uint32_t attrClass) const;  // or a shared empty set
    AttributeMap& GetObjectAttribute() { return m_mapAttribute; }
    const AttributeMap& GetObjectAttribute() const { return m_mapAttribute; }
    void SetObjectAttribute(const AttributeMap& map) { m_mapAttribute = map; }

    bool TestAttributeIsSame(const CNameObjectAttribute& other) const {
        return m_mapAttribute == other.m_mapAttribute;
    }
    bool operator==(const CNameObjectAttribute& other) const { return TestAttributeIsSame(other); }

    // Walks both maps in order, each (class, value set) entry one element: equal ones go to
    // common, smaller ones to the side they came from. Stops when either map is exhausted.
    void TestAttributeDifference(const CNameObjectAttribute& other, AttributeMap& common,
                                 AttributeMap& onlyInThis, AttributeMap& onlyInOther) const;

    // Merges the changeable attributes of other into this facet (see the owner's
    // GetChangeableAttribute); ORs 0x04 into changed when something changed. Returns 0.
    std::int32_t _OnExtAttributeChange(const CNameObjectAttribute& other, std::uint32_t& changed,
                                       std::uint32_t sections);

protected:
    AttributeMap m_mapAttribute;
};
