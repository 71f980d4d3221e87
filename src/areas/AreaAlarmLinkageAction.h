// AREA_ALARM_LINKAGE_ACTION: one action an area takes for an alarm type (five values that the
// installation's alarm modules interpret). A record class with a runtime-class record but no
// class ID; ordered by the 16 bytes its fields occupy, which is the order of the actions in an
// area's linkage map.
#pragma once

#include <cstdint>

#include "platform/BufferIO.h"
#include "platform/Export.h"
#include "platform/RuntimeClass.h"

class NAMEOBJECT_API AREA_ALARM_LINKAGE_ACTION : public CObject {
    NO_DECLARE_RECORD_CLASS(AREA_ALARM_LINKAGE_ACTION)

public:
    static constexpr std::int32_t kDataVersion = 0x03000100;

    AREA_ALARM_LINKAGE_ACTION() = default;
    AREA_ALARM_LINKAGE_ACTION(std::uint32_t first, std::uint16_t second, std::uint16_t third,
                              std::uint32_t fourth, std::uint32_t fifth)
        : m_nFirst(first), m_wSecond(second), m_wThird(third), m_nFourth(fourth), m_nFifth(fifth) {}
    AREA_ALARM_LINKAGE_ACTION(const AREA_ALARM_LINKAGE_ACTION&) = default;
    AREA_ALARM_LINKAGE_ACTION& operator=(const AREA_ALARM_LINKAGE_ACTION&) = default;

    // The record: length (counting itself), version, the five values. Load accepts versions up
    // to its own and fails, with the position restored, unless exactly the length was read.
    int SaveData(CBufferWriter& writer) const;
    int LoadData(CBufferReader& reader);

    friend bool operator==(const AREA_ALARM_LINKAGE_ACTION& a, const AREA_ALARM_LINKAGE_ACTION& b) {
        return a.m_nFirst == b.m_nFirst && a.m_wSecond == b.m_wSecond && a.m_wThird == b.m_wThird &&
               a.m_nFourth == b.m_nFourth && a.m_nFifth == b.m_nFifth;
    }
    friend bool operator!=(const AREA_ALARM_LINKAGE_ACTION& a, const AREA_ALARM_LINKAGE_ACTION& b) {
        return !(a == b);
    }
    // The 16 bytes of the fields (little-endian, declaration order) as an unsigned byte string.
    friend NAMEOBJECT_API bool operator<(const AREA_ALARM_LINKAGE_ACTION& a,
                                         const AREA_ALARM_LINKAGE_ACTION& b);

    std::uint32_t m_nFirst = 0;
    std::uint16_t m_wSecond = 0;
    std::uint16_t m_wThird = 10;
    std::uint32_t m_nFourth = 1;
    std::uint32_t m_nFifth = 0;
};
