#include "areas/AreaAlarmLinkageAction.h"

#include <array>

NO_IMPLEMENT_RECORD_CLASS(AREA_ALARM_LINKAGE_ACTION, CObject, 0x83000100u)

namespace {

std::array<std::uint8_t, 16> Bytes(const AREA_ALARM_LINKAGE_ACTION& a) {
    std::array<std::uint8_t, 16> out{};
    auto put = [&out](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, a.m_nFirst, 4);
    put(4, a.m_wSecond, 2);
    put(6, a.m_wThird, 2);
    put(8, a.m_nFourth, 4);
    put(12, a.m_nFifth, 4);
    return out;
}

}  // namespace

bool operator<(const AREA_ALARM_LINKAGE_ACTION& a, const AREA_ALARM_LINKAGE_ACTION& b) {
    return Bytes(a) < Bytes(b);
}

int AREA_ALARM_LINKAGE_ACTION::SaveData(CBufferWriter& writer) const {
    SectionWriter section(writer);
    const int ok = writer.Write(kDataVersion) && writer.Write(m_nFirst) &&
                   writer.Write(m_wSecond) && writer.Write(m_wThird) && writer.Write(m_nFourth) &&
                   writer.Write(m_nFifth);
    return section.Finish() && ok ? 1 : 0;
}

int AREA_ALARM_LINKAGE_ACTION::LoadData(CBufferReader& reader) {
    SectionReader section(reader);
    AREA_ALARM_LINKAGE_ACTION read;
    if (!section.Open(kDataVersion)) return 0;
    if (!reader.Read(read.m_nFirst) || !reader.Read(read.m_wSecond) ||
        !reader.Read(read.m_wThird) || !reader.Read(read.m_nFourth) ||
        !reader.Read(read.m_nFifth)) {
        return 0;
    }
    if (!section.Finish()) return 0;
    *this = read;
    return 1;
}
