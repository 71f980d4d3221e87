// The attribute facet: sets of values grouped by attribute class.
#include "core/NameObjectAttribute.h"

#include "core/NameObject.h"
#include "core/Sections.h"

int CNameObjectAttribute::SaveExtAttribute(CBufferWriter& writer) {
    SectionWriter section(writer);
    writer.Write(NAMEOBJECT_DATA_VERSION);
    writer.Write(static_cast<std::uint32_t>(m_mapAttribute.size()));
    for (const auto& [attrClass, values] : m_mapAttribute) {
        writer.Write(attrClass);
        writer.Write(static_cast<std::uint32_t>(values.size()));
        for (std::uint32_t value : values) writer.Write(value);
    }
    section.Finish();
    return 1;
}

int CNameObjectAttribute::LoadExtAttribute(CBufferReader& reader) {
    // The version is not compared: every version shares this layout.
    SectionReader section(reader);
    if (!section.Open()) return 0;
    m_mapAttribute.clear();
    std::uint32_t classCount = 0;
    if (!ReadCount(reader, classCount, 8)) return 0;
    for (std::uint32_t i = 0; i < classCount; ++i) {
        std::uint32_t attrClass = 0;
        std::uint32_t valueCount = 0;
        if (!reader.Read(attrClass) || !ReadCount(reader, valueCount, 4)) return 0;
        // Sections hold classes and values in ascending order: end hints save the searches.
        ValueSet& values = m_mapAttribute.try_emplace(m_mapAttribute.end(), attrClass)->second;
        for (std::uint32_t j = 0; j < valueCount; ++j) {
            std::uint32_t value = 0;
            if (!reader.Read(value)) return 0;
            values.insert(values.end(), value);
        }
    }
    return section.Finish();
}

void CNameObjectAttribute::AddAttribute(std::uint32_t attrClass, std::uint32_t value) {
    m_mapAttribute[attrClass].insert(value);
}

void CNameObjectAttribute::RemoveAttribute(std::uint32_t attrClass, std::uint32_t value) {
    auto it = m_mapAttribute.find(attrClass);
    if (it == m_mapAttribute.end()) return;
    it->second.erase(value);
    if (it->second.empty()) m_mapAttribute.erase(it);
}

int CNameObjectAttribute::TestAttribute(std::uint32_t attrClass, std::uint32_t value) const {
    auto it = m_mapAttribute.find(attrClass);
    return it != m_mapAttribute.end() && it->second.count(value) != 0 ? 1 : 0;
}

void CNameObjectAttribute::SetAttribute(std::uint32_t attrClass, std::uint32_t value, int on) {
    if (on) {
        AddAttribute(attrClass, value);
    } else {
        RemoveAttribute(attrClass, value);
    }
}

CNameObjectAttribute::ValueSet* CNameObjectAttribute::GetObjectAttributePtr(
    std::uint32_t attrClass) {
    auto it = m_mapAttribute.find(attrClass);
    return it == m_mapAttribute.end() ? nullptr : &it->second;
}

const CNameObjectAttribute::ValueSet& CNameObjectAttribute::GetObjectAttribute(
    std::uint32_t attrClass) const {
    static const ValueSet kEmpty;
    auto it = m_mapAttribute.find(attrClass);
    return it == m_mapAttribute.end() ? kEmpty : it->second;
}

void CNameObjectAttribute::TestAttributeDifference(const CNameObjectAttribute& other,
                                                   AttributeMap& common, AttributeMap& onlyInThis,
                                                   AttributeMap& onlyInOther) const {
    auto mine = m_mapAttribute.begin();
    auto theirs = other.m_mapAttribute.begin();
    while (mine != m_mapAttribute.end() && theirs != other.m_mapAttribute.end()) {
        if (*theirs < *mine) {
            onlyInOther.insert(*theirs++);
        } else if (*mine < *theirs) {
            onlyInThis.insert(*mine++);
        } else {
            common.insert(*mine);
            ++mine;
            ++theirs;
        }
    }
}

std::int32_t CNameObjectAttribute::_OnExtAttributeChange(const CNameObjectAttribute& other,
                                                         std::uint32_t& changed,
                                                         std::uint32_t sections) {
    if ((sections & SECTION_EXT_ATTRIBUTE) == 0 || TestAttributeIsSame(other)) return 0;
    auto* owner = dynamic_cast<CNameObject*>(this);
    if (owner == nullptr) {
        m_mapAttribute = other.m_mapAttribute;
        changed |= SECTION_EXT_ATTRIBUTE;
        return 0;
    }
    // Only the attributes the owner declares changeable follow the other copy.
    CNameObjectAttribute changeable;
    owner->GetChangeableAttribute(changeable);
    bool any = false;
    for (const auto& [attrClass, values] : changeable.m_mapAttribute) {
        for (std::uint32_t value : values) {
            const bool inOther = other.TestAttribute(attrClass, value) != 0;
            const bool inThis = TestAttribute(attrClass, value) != 0;
            if (inOther && !inThis) {
                AddAttribute(attrClass, value);
                any = true;
            } else if (!inOther && inThis) {
                RemoveAttribute(attrClass, value);
                any = true;
            }
        }
    }
    if (any) changed |= SECTION_EXT_ATTRIBUTE;
    return 0;
}
