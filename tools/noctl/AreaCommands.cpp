#include "AreaCommands.h"

#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

#include "nameobject.h"

namespace {

const char* const kCounterNames[kAlarmCounterCount] = {"TotalAlarmCount",
                                                       "UnConfirmedAlarmCount",
                                                       "ConfirmedAlarmCount",
                                                       "NormalUnConfirmedUnClearedAlarmCount",
                                                       "NormalConfirmedUnClearedAlarmCount",
                                                       "NormalUnConfirmedClearedAlarmCount",
                                                       "NormalTotalAlarmCount",
                                                       "ImportantUnConfirmedUnClearedAlarmCount",
                                                       "ImportantConfirmedUnClearedAlarmCount",
                                                       "ImportantUnConfirmedClearedAlarmCount",
                                                       "ImportantTotalAlarmCount",
                                                       "UrgentUnConfirmedUnClearedAlarmCount",
                                                       "UrgentConfirmedUnClearedAlarmCount",
                                                       "UrgentUnConfirmedClearedAlarmCount",
                                                       "UrgentTotalAlarmCount"};

template <class C>
std::string List(const C& values) {
    std::string s = "{";
    for (const auto& v : values) s += (s.size() > 1 ? " " : "") + std::to_string(v);
    return s + "}";
}

// The area's parameters as (name, value) lines, in the order of its table.
std::vector<std::pair<std::string, std::string>> AreaParameters(const CArea& a) {
    const CArea::Parameters& p = a.GetParameters();
    std::string linkage, buttons;
    for (const auto& [type, actions] : p.m_mapLinkage) {
        for (const auto& x : actions) {
            linkage += StrPrintf(" %u:(%u,%u,%u,%u,%u)", type, x.m_nFirst, x.m_wSecond, x.m_wThird,
                                 x.m_nFourth, x.m_nFifth);
        }
    }
    for (const auto& point : p.m_DefenseButtonMode.m_vecPointIndex) {
        buttons += StrPrintf(" (%u,%u)", point.m_nFirst, point.m_nSecond);
    }
    auto u = [](auto v) { return std::to_string(v); };
    return {{"MostCapability", u(p.m_nMostCapability)},
            {"LeastCapability", u(p.m_nLeastCapability)},
            {"AreaAntiPassbackMode", u(p.m_byAreaAntiPassbackMode)},
            {"LeastStayTimeMode", u(p.m_byLeastStayTimeMode)},
            {"reserved bytes", u(p.m_byReserved1) + " " + u(p.m_byReserved2)},
            {"LeastStayTime", u(p.m_nLeastStayTime)},
            {"AntiPassbackValidTime", u(p.m_nAntiPassbackValidTime)},
            {"AntiPassbackDevice", u(p.m_nAntiPassbackDevice)},
            {"certificates", List(p.m_setCertificate)},
            {"PersonnelCount", u(p.m_nPersonnelCount)},
            {"area persons", List(p.m_vecAreaPersons)},
            {"phone authentication persons", List(p.m_setPhoneAuthPerson)},
            {"PhoneAuthMode", u(p.m_nPhoneAuthMode)},
            {"SmsAuthMode", u(p.m_nSmsAuthMode)},
            {"SmsReplyCount", u(p.m_nSmsReplyCount)},
            {"SmsReplyTimeout", u(p.m_nSmsReplyTimeout)},
            {"ArmingState", u(p.m_nArmingState)},
            {"ArmingDelay", u(p.m_nArmingDelay)},
            {"ArmingMode", u(p.m_nArmingMode)},
            {"DisArmingMode", u(p.m_nDisArmingMode)},
            {"AlarmOutputMode", u(p.m_nAlarmOutputMode)},
            {"AlarmOutputTime", u(p.m_nAlarmOutputTime)},
            {"ArmingPassword", u(p.m_nArmingPassword)},
            {"ArmingSchemeTable", u(p.m_nArmingSchemeTable)},
            {"ArmingBrushCardTimes", u(p.m_nArmingBrushCardTimes)},
            {"linkage", linkage.empty() ? "{}" : linkage.substr(1)},
            {"PhoneAlarmMode", u(p.m_nPhoneAlarmMode)},
            {"TroubleSchedule", u(p.m_nTroubleSchedule)},
            {"CloseDoorAutoArmingTime", u(p.m_nCloseDoorAutoArmingTime)},
            {"PersonRestrictMode", u(p.m_nPersonRestrictMode)},
            {"BypassState", u(p.m_nBypassState)},
            {"SetDefenseTimeout", u(p.m_nSetDefenseTimeout)},
            {"defense buttons", buttons.empty() ? "{}" : buttons.substr(1)},
            {"defense mode", List(p.m_vecDefenseMode)},
            {"DefenseKeepTime", u(p.m_nDefenseKeepTime)},
            {"objects in area", std::to_string(a.GetObjectInArea().size())},
            {"platform linkages", std::to_string(a.GetPlatformLinkagesCopy().size())}};
}

void PrintObject(const CNameObject& o) {
    std::printf("%s \"%s\" (class %u, ID 0x%08X, server 0x%08X)\n",
                o.GetRuntimeClass()->m_lpszClassName, o.GetFullName().ToUtf8().c_str(),
                o.GetObjectClassID(), o.GetID(), o.GetServerNO());
    std::printf("  short name \"%s\", description \"%s\", attribute word 0x%08X\n",
                o.GetShortName().ToUtf8().c_str(), o.GetDescription().ToUtf8().c_str(),
                o.GetAttribute());
    if (const auto* access = dynamic_cast<const CAccessObject*>(&o)) {
        std::printf("  containers");
        for (const auto& c : access->GetContainers())
            std::printf(" %u:%u", c->GetObjectClassID(), c->GetID());
        std::printf("\n  area IDs %s\n",
                    List(const_cast<CAccessObject*>(access)->GetAreaID()).c_str());
    }
    if (const auto* area = dynamic_cast<const CArea*>(&o)) {
        std::printf("parameters:\n");
        for (const auto& [name, value] : AreaParameters(*area)) {
            std::printf("  %-30s %s\n", name.c_str(), value.c_str());
        }
    }
    std::printf("attributes:\n");
    for (const auto& [cls, values] : o.GetObjectAttribute()) {
        std::printf("  class %u:", cls);
        for (std::uint32_t v : values) std::printf(" 0x%X", v);
        std::printf("\n");
    }
    std::printf("properties:\n");
    for (const auto& [cls, keys] : o.GetObjectProperty()) {
        for (const auto& [key, value] : keys) {
            CString text;
            if (!value.ToText(text)) text = u"?";
            std::printf("  class %u 0x%X = %s\n", cls, key, text.ToUtf8().c_str());
        }
    }
    const auto* area = dynamic_cast<const CArea*>(&o);
    const auto* group = dynamic_cast<const CAreaGroup*>(&o);
    if (!area && !group) return;
    std::printf("alarm counters:\n");
    for (int i = 0; i < kAlarmCounterCount; ++i) {
        std::printf("  %-40s %d\n", kCounterNames[i],
                    area ? area->GetAlarmCounter(i) : group->GetAlarmCounter(i));
    }
}

}  // namespace

void AddAreaCommands(CLI::App& app, ShowRequest& show) {
    show.command = app.add_subcommand(
        "show", "load the installation and print one object: parameters, facets and counters");
    show.command->add_option("class", show.classID, "class ID")->required();
    show.command->add_option("id", show.id, "object ID (decimal or 0x...)")->required();
}

int RunShow(const ShowRequest& show, const std::function<int()>& startUp) {
    std::uint32_t id = 0;
    try {
        id = static_cast<std::uint32_t>(std::stoul(show.id, nullptr, 0));
    } catch (const std::exception&) {
        std::fprintf(stderr, "noctl: \"%s\" is not an object ID\n", show.id.c_str());
        return 1;
    }
    if (int rc = startUp()) return rc;
    int rc = 0;
    if (auto object = GDM_Find(show.classID, id)) {
        PrintObject(*object);
    } else {
        std::fprintf(stderr, "noctl: no object %u:0x%08X is loaded\n", show.classID, id);
        rc = 1;
    }
    DestroyAllObject();
    DisconnectDatabase();
    return rc;
}

std::string AlarmTotal(const CNameObject& object) {
    if (const auto* area = dynamic_cast<const CArea*>(&object)) {
        return StrPrintf(" [total alarms %d]", area->GetTotalAlarmCount());
    }
    if (const auto* group = dynamic_cast<const CAreaGroup*>(&object)) {
        return StrPrintf(" [total alarms %d]", group->GetTotalAlarmCount());
    }
    return "";
}
