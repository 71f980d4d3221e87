// noctl's writes: create, set, delete and member add|remove. Each goes the way a host module
// goes: the notify manager's before-call (a negative answer is a veto and nothing is written),
// the library's operation in one transaction (rolled back on failure), the after-call, and
// the change log line under the acting operator (--as, default "admin").
#include <cstdio>
#include <map>

#include "Context.h"
#include "nameobject.h"

namespace {

struct WriteArgs {
    unsigned int classID = 0;
    std::string id, name, in, container, member, as = "admin";
    std::vector<std::string> fields;
};

// "CLASS:ID" (each decimal or 0x hex).
bool ParseKey(const std::string& text, std::uint32_t& classID, std::uint32_t& id) {
    const auto colon = text.find(':');
    return colon != std::string::npos && ParseNumber(text.substr(0, colon), classID) &&
           ParseNumber(text.substr(colon + 1), id);
}

using AreaSetter = void (*)(CArea&, std::uint32_t);
#define NOCTL_AREA_FIELD(stem, type)                                                 \
    {                                                                                \
#stem, [](CArea & a, std::uint32_t v) { a.Set##stem(static_cast<type>(v)); } \
    }
const std::map<std::string, AreaSetter> kAreaFields = {
    NOCTL_AREA_FIELD(MostCapability, unsigned int),
    NOCTL_AREA_FIELD(LeastCapability, unsigned int),
    NOCTL_AREA_FIELD(AreaAntiPassbackMode, unsigned int),
    NOCTL_AREA_FIELD(LeastStayTimeMode, unsigned int),
    NOCTL_AREA_FIELD(LeastStayTime, unsigned int),
    NOCTL_AREA_FIELD(AntiPassbackValidTime, unsigned int),
    NOCTL_AREA_FIELD(AntiPassbackDevice, unsigned int),
    NOCTL_AREA_FIELD(PhoneAuthMode, unsigned int),
    NOCTL_AREA_FIELD(SmsAuthMode, unsigned int),
    NOCTL_AREA_FIELD(SmsReplyCount, unsigned int),
    NOCTL_AREA_FIELD(SmsReplyTimeout, unsigned int),
    NOCTL_AREA_FIELD(ArmingDelay, int),
    NOCTL_AREA_FIELD(ArmingMode, int),
    NOCTL_AREA_FIELD(DisArmingMode, int),
    NOCTL_AREA_FIELD(AlarmOutputMode, int),
    NOCTL_AREA_FIELD(AlarmOutputTime, int),
    NOCTL_AREA_FIELD(ArmingPassword, unsigned int),
    NOCTL_AREA_FIELD(ArmingSchemeTable, unsigned int),
    NOCTL_AREA_FIELD(ArmingBrushCardTimes, int),
    NOCTL_AREA_FIELD(PhoneAlarmMode, unsigned int),
    NOCTL_AREA_FIELD(TroubleSchedule, unsigned int),
    NOCTL_AREA_FIELD(CloseDoorAutoArmingTime, int),
    NOCTL_AREA_FIELD(PersonRestrictMode, unsigned int),
    NOCTL_AREA_FIELD(SetDefenseTimeout, int),
    NOCTL_AREA_FIELD(DefenseKeepTime, unsigned int)};
#undef NOCTL_AREA_FIELD

// Applies FIELD=VALUE: FullName, ShortName, Description, Attribute (number), ext.NAME (text
// extension field), or an area parameter. Empty on success, else what was wrong.
std::string SetField(CNameObject& o, const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) return "\"" + assignment + "\" is not FIELD=VALUE";
    const std::string field = assignment.substr(0, eq), value = assignment.substr(eq + 1);
    const CString text = CString::FromUtf8(value);
    if (field == "FullName") return o.SetFullName(text), "";
    if (field == "ShortName") return o.SetShortName(text), "";
    if (field == "Description") return o.SetDescription(text), "";
    if (field.rfind("ext.", 0) == 0) {
        return o.ExtData_Set(CString::FromUtf8(field.substr(4)), text)
                   ? ""
                   : "empty extension field name";
    }
    std::uint32_t number = 0;
    const bool isNumber = ParseNumber(value, number);
    if (field == "Attribute")
        return isNumber ? (o.SetAttribute(number), "") : "\"" + value + "\" is not a number";
    auto* area = dynamic_cast<CArea*>(&o);
    const auto setter = kAreaFields.find(field);
    if (!area || setter == kAreaFields.end()) {
        return "unknown field \"" + field + "\" for class " + std::to_string(o.GetObjectClassID()) +
               " (FullName, ShortName, Description, Attribute, ext.NAME" +
               (area ? ", area parameters" : "") + ")";
    }
    if (!isNumber) return "\"" + value + "\" is not a number";
    setter->second(*area, number);
    return "";
}

std::string ApplyFields(CNameObject& o, const std::vector<std::string>& fields) {
    for (const std::string& f : fields) {
        if (std::string error = SetField(o, f); !error.empty()) return error;
    }
    return "";
}

// Runs `write` in a transaction: committed when it returns 0, rolled back otherwise.
std::int32_t InTransaction(const std::function<std::int32_t()>& write) {
    CADODatabase* db = GetDatabase();
    if (!db->BeginTransaction()) return E_DATABASE_OPERATION;
    const std::int32_t rc = write();
    if (rc != 0) {
        db->RollbackTransaction();
        return rc;
    }
    return db->CommitTransaction() ? 0 : E_DATABASE_OPERATION;
}

std::shared_ptr<COperator> Actor(const WriteArgs& a) {
    auto op = COperator::GetOperator(CString::FromUtf8(a.as), GetCurrentServerNO());
    if (!op) std::fprintf(stderr, "noctl: no operator \"%s\" on this server\n", a.as.c_str());
    return op;
}

// The loaded object CLASS:ID, or null after the message.
std::shared_ptr<CNameObject> Loaded(const std::string& key) {
    std::uint32_t classID = 0, id = 0;
    if (!ParseKey(key, classID, id)) {
        std::fprintf(stderr, "noctl: \"%s\" is not CLASS:ID\n", key.c_str());
        return nullptr;
    }
    return FindLoaded(classID, id);
}

int RunCreate(const Context& ctx, const WriteArgs& a) {
    if (int rc = ctx.StartUp()) return rc;
    if (!GetClsInfo(a.classID)) return Finish(Usage("unknown class " + std::to_string(a.classID)));
    auto op = Actor(a);
    if (!op) return Finish(kExitRefused);
    auto object = CreateNewObject(a.classID);
    if (!object) return Fail("cannot create an object of class " + std::to_string(a.classID));
    object->SetFullName(CString::FromUtf8(a.name));
    if (std::string error = ApplyFields(*object, a.fields); !error.empty())
        return Finish(Usage(error));
    std::shared_ptr<CContainer> container;
    if (!a.in.empty()) {
        container = std::dynamic_pointer_cast<CContainer>(Loaded(a.in));
        if (!container) return Fail("--in " + a.in + " is not a loaded container");
        if (!std::dynamic_pointer_cast<CAccessObject>(object))
            return Fail("class " + std::to_string(a.classID) + " cannot be a member");
    }
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    if (std::int32_t veto = notify->OnBeforeObjectInsert(object, container); veto < 0)
        return Refused("create vetoed", veto);
    const std::int32_t rc = InTransaction([&] {
        std::int32_t r = CNameObject::InsertObject(object);
        if (r == 0 && container)
            r = container->AddObject(std::static_pointer_cast<CAccessObject>(object), 1);
        return r;
    });
    object->WriteCreateObjectLog(op, static_cast<std::uint32_t>(rc), 0, container);
    if (rc != 0) return Refused("cannot create \"" + a.name + "\"", rc);
    notify->OnAfterObjectInsert(object, container);
    SaveObjectIDToDatabase();
    std::printf("created %s\n", Describe(*object).c_str());
    return Finish(kExitOk);
}

// Changes object through a copy that `edit` adjusts (empty on success, else a usage message):
// before-call with its veto, merge and row update in one transaction, change log, after-call.
int ChangeObject(const std::shared_ptr<COperator>& op, const std::shared_ptr<CNameObject>& object,
                 const std::function<std::string(CNameObject&)>& edit) {
    auto copy = object->Clone(SECTION_WHOLE_OBJECT);
    if (!copy) return Fail("cannot copy " + Describe(*object));
    if (std::string error = edit(*copy); !error.empty()) return Finish(Usage(error));
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    if (std::int32_t veto = notify->OnBeforeObjectChange(object, copy, SECTION_ALL); veto < 0) {
        return Refused("change of " + Describe(*object) + " vetoed", veto);
    }
    auto before = object->Clone(SECTION_WHOLE_OBJECT);
    std::uint32_t changed = 0;
    const std::int32_t rc = InTransaction([&] {
        std::int32_t r = object->OnObjectChange(copy, changed, SECTION_ALL);
        if (r == 0 && changed != 0) r = object->UpdateRecord();
        if (r == 0 && (changed & SECTION_EXT_DATA) &&
            !object->UpdateExtDataRecord(object->GetObjectClassID(), object->GetID(),
                                         object->GetServerNO())) {
            r = E_DATABASE_OPERATION;
        }
        return r;
    });
    object->WriteChangeObjectLog(op, static_cast<std::uint32_t>(rc), 0, before, object);
    if (rc != 0) return Refused("cannot change " + Describe(*before), rc);
    notify->OnAfterObjectChange(object, copy, SECTION_ALL, changed);
    std::printf("changed %s (sections 0x%02X)\n", Describe(*object).c_str(), changed);
    return Finish(kExitOk);
}

int RunSet(const Context& ctx, const WriteArgs& a) {
    std::uint32_t id = 0;
    if (!ParseNumber(a.id, id)) return Usage("\"" + a.id + "\" is not an object ID");
    if (a.fields.empty()) return Usage("give at least one FIELD=VALUE");
    if (int rc = ctx.StartUp()) return rc;
    auto op = Actor(a);
    auto object = FindLoaded(a.classID, id);
    if (!op || !object) return Finish(kExitRefused);
    return ChangeObject(op, object, [&](CNameObject& copy) { return ApplyFields(copy, a.fields); });
}

// area add|remove AREA OBJECT: the object's area set changes; the merge enters or leaves the area.
int RunArea(const Context& ctx, const WriteArgs& a, bool add) {
    if (int rc = ctx.StartUp()) return rc;
    auto op = Actor(a);
    auto area = std::dynamic_pointer_cast<CArea>(Loaded(a.container));
    auto object = std::dynamic_pointer_cast<CAccessObject>(Loaded(a.member));
    if (!op || !area || !object)
        return Fail("area " + std::string(add ? "add" : "remove") +
                    " needs a loaded area and access object");
    const std::uint32_t areaID = area->GetID();
    return ChangeObject(op, object, [&](CNameObject& copy) {
        auto& ids = static_cast<CAccessObject&>(copy).GetAreaID();
        add ? (void)ids.insert(areaID) : (void)ids.erase(areaID);
        return std::string();
    });
}

int RunDelete(const Context& ctx, const WriteArgs& a) {
    std::uint32_t id = 0;
    if (!ParseNumber(a.id, id)) return Usage("\"" + a.id + "\" is not an object ID");
    if (int rc = ctx.StartUp()) return rc;
    auto op = Actor(a);
    auto object = FindLoaded(a.classID, id);
    if (!op || !object) return Finish(kExitRefused);
    std::vector<std::shared_ptr<CContainer>> containers;
    if (auto access = std::dynamic_pointer_cast<CAccessObject>(object)) {
        for (const auto& c : access->GetContainers()) containers.push_back(c);
    }
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    if (std::int32_t veto = notify->OnBeforeObjectDelete(object); veto < 0)
        return Refused("delete vetoed", veto);
    const std::int32_t rc = InTransaction([&] { return DeleteObject(object); });
    object->WriteDeleteObjectLog(op, containers, static_cast<std::uint32_t>(rc), 0);
    if (rc != 0) return Refused("cannot delete " + Describe(*object), rc);
    notify->OnAfterObjectDelete(object);
    std::printf("deleted %s\n", Describe(*object).c_str());
    return Finish(kExitOk);
}

int RunMember(const Context& ctx, const WriteArgs& a, bool add) {
    if (int rc = ctx.StartUp()) return rc;
    auto op = Actor(a);
    auto container = std::dynamic_pointer_cast<CContainer>(Loaded(a.container));
    auto member = std::dynamic_pointer_cast<CAccessObject>(Loaded(a.member));
    if (!op || !container || !member)
        return Fail("member " + std::string(add ? "add" : "remove") +
                    " needs a loaded container and access object");
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    const std::int32_t veto = add ? notify->OnBeforeObjectAddToContainer(member, container)
                                  : notify->OnBeforeObjectRemoveFromContainer(member, container);
    if (veto < 0) return Refused("membership change vetoed", veto);
    const std::int32_t rc = InTransaction(
        [&] { return add ? container->AddObject(member, 1) : container->RemoveObject(member, 1); });
    if (add) {
        member->WriteInsertObjectLog(op, static_cast<std::uint32_t>(rc), 0, container);
    } else {
        member->WriteRemoveObjectLog(op, static_cast<std::uint32_t>(rc), 0, container);
    }
    if (rc != 0) return Refused("cannot change the membership", rc);
    add ? notify->OnAfterObjectAddToContainer(member, container)
        : notify->OnAfterObjectRemoveFromContainer(member, container);
    std::printf("%s %s %s %s\n", add ? "added" : "removed", Describe(*member).c_str(),
                add ? "to" : "from", Describe(*container).c_str());
    return Finish(kExitOk);
}

}  // namespace

void AddWriteCommands(CLI::App& app, Context& ctx, Commands& commands) {
    auto a = std::make_shared<WriteArgs>();
    auto add = [&](CLI::App* command, std::function<int()> run) {
        command->add_option("--as", a->as, "operator the change log names (default admin)");
        commands.push_back({command, [run, &ctx] { return ctx.Resolve() ? kExitUsage : run(); }});
    };
    const std::string fields =
        "FIELD=VALUE: FullName, ShortName, Description, Attribute, ext.NAME, or an area parameter";
    CLI::App* create = AddCommand(
        app, "create", "insert a new object, optionally into a container",
        "noctl --dir site create 62 \"Lobby\" --in 63:0x01000107 --set MostCapability=40");
    create->add_option("CLASS", a->classID, "class ID")->required();
    create->add_option("NAME", a->name, "full name")->required();
    create->add_option("--in", a->in, "container CLASS:ID");
    create->add_option("--set", a->fields, fields);
    add(create, [a, &ctx] { return RunCreate(ctx, *a); });

    CLI::App* set =
        AddCommand(app, "set", "change fields of an object",
                   "noctl --dir site set 62 0x01000108 Description=\"Main hall\" ArmingDelay=45");
    set->add_option("CLASS", a->classID, "class ID")->required();
    set->add_option("ID", a->id, "object ID")->required();
    set->add_option("FIELDS", a->fields, fields)->required();
    add(set, [a, &ctx] { return RunSet(ctx, *a); });

    CLI::App* del =
        AddCommand(app, "delete", "delete an object (its memberships, images, extension data)",
                   "noctl --dir site delete 501 0x01000117");
    del->add_option("CLASS", a->classID, "class ID")->required();
    del->add_option("ID", a->id, "object ID")->required();
    add(del, [a, &ctx] { return RunDelete(ctx, *a); });

    CLI::App* member = AddCommand(app, "member", "add an access object to a container or remove it",
                                  "noctl --dir site member add 59:0x01000115 501:0x01000117");
    for (const char* verb : {"add", "remove"}) {
        CLI::App* sub =
            member->add_subcommand(verb, std::string(verb) + " CONTAINER MEMBER (each CLASS:ID)");
        sub->add_option("CONTAINER", a->container)->required();
        sub->add_option("MEMBER", a->member)->required();
        const bool adding = std::string(verb) == "add";
        add(sub, [a, adding, &ctx] { return RunMember(ctx, *a, adding); });
    }
    member->require_subcommand(1);

    CLI::App* area = AddCommand(app, "area", "put an access object into an area or take it out",
                                "noctl --dir site area add 62:0x01000108 501:0x01000117");
    for (const char* verb : {"add", "remove"}) {
        CLI::App* sub =
            area->add_subcommand(verb, std::string(verb) + " AREA OBJECT (each CLASS:ID)");
        sub->add_option("AREA", a->container)->required();
        sub->add_option("OBJECT", a->member)->required();
        const bool adding = std::string(verb) == "add";
        add(sub, [a, adding, &ctx] { return RunArea(ctx, *a, adding); });
    }
    area->require_subcommand(1);
}
