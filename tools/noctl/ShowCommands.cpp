// noctl's "show": one loaded object with its basic fields, containers and members, area
// parameters, attributes, properties and alarm counters.
#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

#include "Context.h"
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

}  // namespace

Json ShowJson(CNameObject& o) {
    Json j = ObjectJson(o);
    j["shortName"] = o.GetShortName().ToUtf8();
    j["description"] = o.GetDescription().ToUtf8();
    j["attributeWord"] = o.GetAttribute();
    if (const auto* access = dynamic_cast<const CAccessObject*>(&o)) {
        Json containers = Json::array();
        for (const auto& c : access->GetContainers()) containers.push_back(ObjectJson(*c));
        j["containers"] = containers;
        j["areas"] = const_cast<CAccessObject*>(access)->GetAreaID();
    }
    if (const auto* container = dynamic_cast<const CContainer*>(&o)) {
        Json members = Json::array();
        for (const auto& [key, member] : const_cast<CContainer*>(container)->GetMemberObjects()) {
            members.push_back(ObjectJson(*member));
        }
        j["members"] = members;
    }
    if (const auto* area = dynamic_cast<const CArea*>(&o)) {
        Json parameters = Json::object();
        for (const auto& [name, value] : AreaParameters(*area)) parameters[name] = value;
        j["parameters"] = parameters;
    }
    Json attributes = Json::object();
    for (const auto& [cls, values] : o.GetObjectAttribute())
        attributes[std::to_string(cls)] = values;
    j["attributes"] = attributes;
    Json properties = Json::object();
    for (const auto& [cls, keys] : o.GetObjectProperty()) {
        for (const auto& [key, value] : keys) {
            CString text;
            if (!value.ToText(text)) text = u"?";
            properties[std::to_string(cls)][StrPrintf("0x%X", key)] = text.ToUtf8();
        }
    }
    j["properties"] = properties;
    Json ext = Json::object();
    for (const auto& [name, value] : o.GetAllExtData()) {
        CString text;
        if (!value.ToText(text)) text = u"?";
        ext[name.ToUtf8()] = text.ToUtf8();
    }
    j["extData"] = ext;
    Json images = Json::array();
    for (const auto& [index, image] : o.GetAllImageInfo()) {
        images.push_back({{"index", index}, {"bytes", image.m_imgData.GetLength()}});
    }
    j["images"] = images;
    const auto* area = dynamic_cast<const CArea*>(&o);
    const auto* group = dynamic_cast<const CAreaGroup*>(&o);
    if (area || group) {
        Json counters = Json::object();
        for (int i = 0; i < kAlarmCounterCount; ++i) {
            counters[kCounterNames[i]] =
                area ? area->GetAlarmCounter(i) : group->GetAlarmCounter(i);
        }
        j["alarmCounters"] = counters;
    }
    return j;
}

void PrintShow(const Json& j) {
    std::printf("%s \"%s\" (class %u, ID 0x%08X, server 0x%08X)\n",
                j["className"].get<std::string>().c_str(), j["name"].get<std::string>().c_str(),
                j["class"].get<unsigned>(), j["id"].get<unsigned>(), j["serverNO"].get<unsigned>());
    std::printf("  short name \"%s\", description \"%s\", attribute word 0x%08X\n",
                j["shortName"].get<std::string>().c_str(),
                j["description"].get<std::string>().c_str(), j["attributeWord"].get<unsigned>());
    auto list = [](const char* title, const Json& objects) {
        std::printf("%s:\n", title);
        for (const auto& m : objects) {
            std::printf("  %u:0x%08X \"%s\"\n", m["class"].get<unsigned>(), m["id"].get<unsigned>(),
                        m["name"].get<std::string>().c_str());
        }
    };
    if (j.contains("containers")) {
        list("containers", j["containers"]);
        std::printf("area IDs %s\n", j["areas"].dump().c_str());
    }
    if (j.contains("members")) list("members", j["members"]);
    if (j.contains("parameters")) {
        std::printf("parameters:\n");
        for (const auto& [name, value] : j["parameters"].items()) {
            std::printf("  %-30s %s\n", name.c_str(), value.get<std::string>().c_str());
        }
    }
    std::printf("attributes:\n");
    for (const auto& [cls, values] : j["attributes"].items()) {
        std::printf("  class %s:", cls.c_str());
        for (const auto& v : values) std::printf(" 0x%X", v.get<unsigned>());
        std::printf("\n");
    }
    std::printf("properties:\n");
    for (const auto& [cls, keys] : j["properties"].items()) {
        for (const auto& [key, value] : keys.items()) {
            std::printf("  class %s %s = %s\n", cls.c_str(), key.c_str(),
                        value.get<std::string>().c_str());
        }
    }
    std::printf("extension data:\n");
    for (const auto& [name, value] : j["extData"].items()) {
        std::printf("  %s = %s\n", name.c_str(), value.get<std::string>().c_str());
    }
    std::printf("images:\n");
    for (const auto& image : j["images"]) {
        std::printf("  index %u, %u bytes\n", image["index"].get<unsigned>(),
                    image["bytes"].get<unsigned>());
    }
    if (!j.contains("alarmCounters")) return;
    std::printf("alarm counters:\n");
    for (int i = 0; i < kAlarmCounterCount; ++i) {
        std::printf("  %-40s %d\n", kCounterNames[i],
                    j["alarmCounters"][kCounterNames[i]].get<int>());
    }
}

namespace {

struct ShowArgs {
    unsigned int classID = 0;
    std::string id;
};

int RunShow(const Context& ctx, const ShowArgs& a) {
    std::uint32_t id = 0;
    if (!ParseNumber(a.id, id)) return Usage("\"" + a.id + "\" is not an object ID");
    if (int rc = ctx.StartUp()) return rc;
    auto object = FindLoaded(a.classID, id);
    if (!object) return Finish(kExitRefused);
    object->LoadDataFromDatabase(SECTION_WHOLE_OBJECT);  // images and extension data load on demand
    const Json j = ShowJson(*object);
    if (ctx.json) {
        PrintJson(j);
    } else {
        PrintShow(j);
    }
    return Finish(kExitOk);
}

// Objects whose full name is NAME, or (with --substring) contains it.
int RunFind(const Context& ctx, const std::string& name, bool substring) {
    if (int rc = ctx.StartUp()) return rc;
    const CString wanted = CString::FromUtf8(name);
    Json found = Json::array();
    for (auto& [serverNO, classes] : *GDM_GetServerObjMap()) {
        for (auto& [classID, ids] : classes) {
            for (auto& [id, object] : ids) {
                if (!object || object->GetObjectClassID() != classID) continue;
                const CString& full = object->GetFullName();
                if (substring ? full.Find(wanted) >= 0 : full == wanted)
                    found.push_back(ObjectJson(*object));
            }
        }
    }
    if (ctx.json) {
        PrintJson(found);
    } else {
        for (const auto& o : found) {
            std::printf("%u:0x%08X \"%s\" (%s)\n", o["class"].get<unsigned>(),
                        o["id"].get<unsigned>(), o["name"].get<std::string>().c_str(),
                        o["className"].get<std::string>().c_str());
        }
        std::printf("%zu objects\n", found.size());
    }
    return Finish(found.empty() ? kExitRefused : kExitOk);
}

}  // namespace

void AddShowCommands(CLI::App& app, Context& ctx, Commands& commands) {
    struct FindArgs {
        std::string name;
        bool substring = false;
    };
    auto f = std::make_shared<FindArgs>();
    CLI::App* find = AddCommand(
        app, "find", "objects by full name (exit 1 when none)",
        "noctl --dir site find Lobby --substring --json   # [{\"class\",\"className\",\"id\","
        "\"serverNO\",\"name\"}]");
    find->add_option("NAME", f->name, "full name")->required();
    find->add_flag("--substring", f->substring, "match names that contain NAME");
    AddJsonFlag(find, ctx);
    commands.push_back({find, [f, &ctx] {
                            return ctx.Resolve() ? kExitUsage : RunFind(ctx, f->name, f->substring);
                        }});

    auto a = std::make_shared<ShowArgs>();
    CLI::App* show = AddCommand(
        app, "show",
        "load the installation and print one object: basic fields, containers and members, "
        "parameters, attributes, properties, alarm counters",
        "noctl --dir site show 62 0x01000102 --json   # {\"class\",\"className\",\"id\","
        "\"serverNO\",\"name\",\"shortName\",\"description\",\"attributeWord\","
        "\"containers\"?,\"areas\"?,\"members\"?,\"parameters\"?,\"attributes\","
        "\"properties\",\"extData\",\"images\":[{\"index\",\"bytes\"}],\"alarmCounters\"?}");
    show->add_option("CLASS", a->classID, "class ID")->required();
    show->add_option("ID", a->id, "object ID (decimal or 0x...)")->required();
    AddJsonFlag(show, ctx);
    commands.push_back({show, [a, &ctx] { return ctx.Resolve() ? kExitUsage : RunShow(ctx, *a); }});
}
