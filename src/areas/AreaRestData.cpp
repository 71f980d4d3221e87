// The rest data of an area: its own level after the container's, one layout for every
// version (each field belongs to the versions from its first one on), and the older raw form.
#include "areas/Area.h"
#include "core/RestData.h"

namespace {

// Versions at which fields were added to the layout.
constexpr std::int32_t kPersonsVersion = 0x03000200;
constexpr std::int32_t kSmsVersion = 0x03000300;
constexpr std::int32_t kArmingVersion = 0x03000400;
constexpr std::int32_t kLinkageVersion = 0x03000500;
constexpr std::int32_t kTroubleVersion = 0x03000600;
constexpr std::int32_t kLinkageRecordVersion = 0x03000700;
constexpr std::int32_t kRestrictVersion = 0x03000800;
constexpr std::int32_t kBypassVersion = 0x03000900;
constexpr std::int32_t kDefenseTimeoutVersion = 0x03000A00;
constexpr std::int32_t kDefenseModeVersion = 0x03020100;
constexpr std::int32_t kDefenseKeepVersion = 0x03020200;
// The defense button mode's format word that carries the points.
constexpr std::uint32_t kButtonModeFormat = 1;

// Writes the layout's items.
class RestOut {
public:
    explicit RestOut(CBufferWriter& w) : m_w(w) {}
    bool ok = true;

    template <class T>
    [[gnu::always_inline]] void Value(const T& v) {
        ok = ok && m_w.Write(v);
    }
    template <class C>
    void List(const C& values) {  // count, then the values in container order
        Value(static_cast<std::uint32_t>(values.size()));
        for (const auto& v : values) Value(v);
    }
    void Linkage(const CArea::LinkageMap& map) {
        Value(static_cast<std::uint32_t>(map.size()));
        for (const auto& [type, actions] : map) {
            Value(type);
            Value(static_cast<std::uint32_t>(actions.size()));
            for (const auto& action : actions) ok = ok && action.SaveData(m_w);
        }
    }
    void OlderLinkage(CArea::LinkageMap&) { ok = false; }  // never written
    void ButtonMode(const _DEFENSE_BUTTON_MODE& mode) {
        Value(kButtonModeFormat);
        Value(static_cast<std::uint32_t>(mode.m_vecPointIndex.size()));
        for (const auto& point : mode.m_vecPointIndex) {
            Value(point.m_nFirst);
            Value(point.m_nSecond);
        }
    }

private:
    CBufferWriter& m_w;
};

// Reads the layout's items; every count is checked against the bytes that remain.
class RestIn {
public:
    explicit RestIn(CBufferReader& r) : m_r(r) {}
    bool ok = true;

    template <class T>
    [[gnu::always_inline]] void Value(T& v) {
        ok = ok && m_r.Read(v);
    }
    template <class C>
    void List(C& values) {
        values.clear();
        std::uint32_t n = 0;
        if (!Count(n, sizeof(typename C::value_type))) return;
        for (std::uint32_t i = 0; ok && i < n; ++i) {
            typename C::value_type v{};
            Value(v);
            values.insert(values.end(), v);
        }
    }
    // Records of the current form.
    void Linkage(CArea::LinkageMap& map) {
        Entries(map, 24, [this](CArea::ActionSet& actions) {
            AREA_ALARM_LINKAGE_ACTION action;
            ok = action.LoadData(m_r) != 0;
            if (ok) actions.insert(action);
        });
    }
    // Pairs of (first value, second value in the low 16 bits), the rest at their defaults.
    void OlderLinkage(CArea::LinkageMap& map) {
        Entries(map, 8, [this](CArea::ActionSet& actions) {
            std::uint32_t first = 0, second = 0;
            Value(first);
            Value(second);
            AREA_ALARM_LINKAGE_ACTION action;
            action.m_nFirst = first;
            action.m_wSecond = static_cast<std::uint16_t>(second);
            if (ok) actions.insert(action);
        });
        std::erase_if(map, [](const auto& entry) { return entry.second.empty(); });
    }
    void ButtonMode(_DEFENSE_BUTTON_MODE& mode) {
        std::uint32_t format = 0, n = 0;
        Value(format);
        if (!ok || format != kButtonModeFormat) return;  // another format carries nothing
        if (!Count(n, 8)) return;
        mode.m_vecPointIndex.clear();
        for (std::uint32_t i = 0; ok && i < n; ++i) {
            _DEFENSE_BUTTON_MODE::_POINT_INDEX point;
            Value(point.m_nFirst);
            Value(point.m_nSecond);
            mode.m_vecPointIndex.push_back(point);
        }
    }

private:
    // Entry count; per entry the alarm type, an action count and that many actions.
    template <class ReadAction>
    void Entries(CArea::LinkageMap& map, std::size_t actionWidth, ReadAction readAction) {
        map.clear();
        std::uint32_t entries = 0;
        if (!Count(entries, 8)) return;
        for (std::uint32_t e = 0; ok && e < entries; ++e) {
            std::uint32_t type = 0, n = 0;
            Value(type);
            if (!Count(n, actionWidth)) return;
            auto& actions = map[type];
            for (std::uint32_t i = 0; ok && i < n; ++i) readAction(actions);
        }
    }
    // A count of items of `width` bytes; a negative or oversized count fails.
    bool Count(std::uint32_t& n, std::size_t width) {
        ok = ok && ReadCount(m_r, n, static_cast<int>(width));
        return ok;
    }
    CBufferReader& m_r;
};

// The items of `version`, written or read in layout order.
template <class IO, class P>
bool ExchangeParameters(IO& io, P& p, std::int32_t version) {
    io.Value(p.m_nMostCapability);
    io.Value(p.m_nLeastCapability);
    io.Value(p.m_byAreaAntiPassbackMode);
    io.Value(p.m_byLeastStayTimeMode);
    io.Value(p.m_byReserved1);
    io.Value(p.m_byReserved2);
    io.Value(p.m_nLeastStayTime);
    io.Value(p.m_nAntiPassbackValidTime);
    io.Value(p.m_nAntiPassbackDevice);
    io.List(p.m_setCertificate);
    io.Value(p.m_nPersonnelCount);
    if (version >= kPersonsVersion) io.List(p.m_vecAreaPersons);
    if (version >= kSmsVersion) {
        io.List(p.m_setPhoneAuthPerson);
        io.Value(p.m_nPhoneAuthMode);
        io.Value(p.m_nSmsAuthMode);
        io.Value(p.m_nSmsReplyCount);
        io.Value(p.m_nSmsReplyTimeout);
    }
    if (version >= kArmingVersion) {
        for (int* field : {&p.m_nArmingState, &p.m_nArmingDelay, &p.m_nArmingMode,
                           &p.m_nDisArmingMode, &p.m_nAlarmOutputMode, &p.m_nAlarmOutputTime}) {
            io.Value(*field);
        }
        io.Value(p.m_nArmingPassword);
        io.Value(p.m_nArmingSchemeTable);
        io.Value(p.m_nArmingBrushCardTimes);
    }
    if (version >= kLinkageVersion) {
        if (version < kLinkageRecordVersion) {
            io.OlderLinkage(p.m_mapLinkage);
        } else {
            io.Linkage(p.m_mapLinkage);
        }
        io.Value(p.m_nPhoneAlarmMode);
    }
    if (version >= kTroubleVersion) {
        io.Value(p.m_nTroubleSchedule);
        io.Value(p.m_nCloseDoorAutoArmingTime);
    }
    if (version >= kRestrictVersion) io.Value(p.m_nPersonRestrictMode);
    if (version >= kBypassVersion) io.Value(p.m_nBypassState);
    if (version >= kDefenseTimeoutVersion) io.Value(p.m_nSetDefenseTimeout);
    if (version >= kDefenseModeVersion) {
        io.ButtonMode(p.m_DefenseButtonMode);
        io.List(p.m_vecDefenseMode);
    }
    if (version >= kDefenseKeepVersion) io.Value(p.m_nDefenseKeepTime);
    return io.ok;
}

}  // namespace

int CArea::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CContainer::SaveRestData(w); }, kDataVersion,
        [this](CBufferWriter& w) {
            RestOut out(w);
            return ExchangeParameters(out, m_p, kDataVersion) ? 1 : 0;
        });
}

int CArea::LoadRestData(CBufferReader& reader, int restArg) {
    // Staged and applied only when the whole level was read.
    Parameters staged = m_p;
    bool personsRead = false;
    const int ok = LoadRestLevel(
        reader, [this, restArg](CBufferReader& r) { return CContainer::LoadRestData(r, restArg); },
        kDataVersion,
        [&](CBufferReader& r, std::int32_t version) {
            // The versions between these two were never a released layout.
            if (version > kDefenseTimeoutVersion && version < kDefenseModeVersion) return 0;
            RestIn in(r);
            personsRead = version >= kPersonsVersion;
            return ExchangeParameters(in, staged, version) ? 1 : 0;
        });
    if (!ok) return 0;
    m_p = std::move(staged);
    if (personsRead) {
        m_setPersonsInside.clear();
        m_setPersonsInside.insert(m_p.m_vecAreaPersons.begin(), m_p.m_vecAreaPersons.end());
    }
    return 1;
}

int CArea::LoadRestData_V2(const void* data, int* size, int version) {
    if (!data || !size) return 0;
    int used = *size;
    if (!CContainer::LoadRestData_V2(data, &used, version)) return 0;
    RawCursor cursor(data, *size);
    std::uint32_t format = 0, most = 0, least = 0, count = 0, skipped = 0;
    if (!cursor.Skip(used) || !cursor.ReadU32(format)) return 0;
    if (format == 1) {
        for (int list = 0; list < 2; ++list) {
            if (!cursor.ReadU32(count) || count > 0x0FFFFFFFu ||
                !cursor.Skip(static_cast<int>(count) * 8)) {
                return 0;
            }
        }
    }
    if (!cursor.ReadU32(most) || !cursor.ReadU32(least) || !cursor.ReadU32(skipped)) {
        return 0;
    }
    std::uint32_t personnel = m_p.m_nPersonnelCount;
    if (format == 3 && !cursor.ReadU32(personnel)) return 0;
    if (format == 2) personnel = 0;
    m_p.m_nMostCapability = most;
    m_p.m_nLeastCapability = least;
    m_p.m_nPersonnelCount = personnel;
    *size = cursor.Used();
    return 1;
}
