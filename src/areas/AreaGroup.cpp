#include "areas/AreaGroup.h"

#include "areas/Area.h"
#include "core/RestData.h"
#include "registry/ClassRegistry.h"

NO_IMPLEMENT_OBJECT_CLASS(CAreaGroup, CContainer)

namespace {

constexpr std::uint32_t kAlarmHostClassID = 73;
constexpr std::uint32_t kPlainContainerClassID = 3;

template <class T>
std::shared_ptr<T> As(const std::shared_ptr<CAccessObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(T))) return nullptr;
    return std::static_pointer_cast<T>(object);
}

bool Derives(const std::shared_ptr<CAccessObject>& object, std::uint32_t baseClassID) {
    return object && IsDerivedFrom(object->GetObjectClassID(), baseClassID) != 0;
}

// One level of a breadth-first walk: `visit` sorts the neighbours of each container of the
// level into the result and the next level, until a level is empty.
template <class Visit>
void WalkLevels(CAreaGroup::ContainerSet level, Visit visit) {
    while (!level.empty()) {
        CAreaGroup::ContainerSet next;
        for (const auto& container : level) {
            if (container) visit(*container, next);
        }
        level = std::move(next);
    }
}

CAreaGroup::ContainerSet AsContainers(const CAreaGroup::GroupSet& groups) {
    return CAreaGroup::ContainerSet(groups.begin(), groups.end());
}

// Area groups go to the result and the next level; plain containers to the next level only.
void SortGroupOrPlain(const std::shared_ptr<CAccessObject>& object, CAreaGroup::GroupSet& groups,
                      CAreaGroup::ContainerSet& next) {
    if (!object) return;
    if (Derives(object, CAreaGroup::kClassID)) {
        if (auto group = As<CAreaGroup>(object)) {
            groups.insert(group);
            next.insert(group);
        }
    } else if (object->GetObjectClassID() == kPlainContainerClassID) {
        if (auto container = As<CContainer>(object)) next.insert(container);
    }
}

}  // namespace

CAreaGroup::CAreaGroup() { m_nClassID = kClassID; }

CAreaGroup::~CAreaGroup() = default;

int CAreaGroup::GetAlarmCounter(int index) const {
    return static_cast<int>(GetInt32Property(kClassID, kAreaGroupCounterProperty + index, 0));
}

void CAreaGroup::SetAlarmCounter(int index, int value) {
    SetProperty(kClassID, kAreaGroupCounterProperty + index, _variant_t(value));
}

// ---- alarm statistics ---------------------------------------------------------------

int CAreaGroup::StatisticsAlarm(int force, int propagate) {
    if (m_nStatisticsFlag == 0 && force == 0) return 0;
    m_nStatisticsFlag = 1;
    MemberMap areas, alarmObjects;
    GetChildren(CArea::kClassID, 1, areas);
    for (const auto& [key, member] : areas) {
        if (auto area = As<CContainer>(member)) {
            area->GetMemberObjects(kAlarmHostClassID, 1, alarmObjects);
            area->GetMemberObjects(kAlarmObjectClassID, 1, alarmObjects);
        }
    }
    AlarmCounts differences{};
    if (!RecountAlarms(*this, kClassID, kAreaGroupCounterProperty, alarmObjects, differences)) {
        return 0;
    }
    if (propagate) {
        AlarmHandledSet handled{GetObjectUniqueID()};
        PropagateAlarmDifferences(m_vecContainers, differences, propagate, true, handled);
    }
    m_nStatisticsFlag = 0;
    return 1;
}

int CAreaGroup::StatisticsAlarmForffset(const AlarmCounts& differences, int propagate) {
    AlarmHandledSet handled;
    ApplyAlarmOffsets(differences, propagate, handled);
    return 1;
}

void CAreaGroup::ApplyAlarmOffsets(const AlarmCounts& differences, int propagate,
                                   AlarmHandledSet& handled) {
    handled.insert(GetObjectUniqueID());
    ApplyAlarmDifferences(*this, kClassID, kAreaGroupCounterProperty, differences);
    if (propagate)
        PropagateAlarmDifferences(m_vecContainers, differences, propagate, true, handled);
}

// ---- membership ---------------------------------------------------------------------

void CAreaGroup::TransferMember(const std::shared_ptr<CAccessObject>& member, bool adding) {
    AlarmCounts counts{};
    if (Derives(member, CArea::kClassID)) {
        counts = ReadAlarmCounts(*member, CArea::kClassID, kAreaCounterProperty);
    } else if (Derives(member, kClassID)) {
        counts = ReadAlarmCounts(*member, kClassID, kAreaGroupCounterProperty);
    } else {
        if (!Derives(member, kPlatformLinkageClassID)) return;
        if (adding) {
            m_mapPlatformLinkages.emplace(member->GetID(), member);
        } else {
            m_mapPlatformLinkages.erase(member->GetID());
        }
        return;
    }
    StatisticsAlarmForffset(adding ? counts : NegatedAlarmCounts(counts), 1);
}

std::int32_t CAreaGroup::AddObject(std::shared_ptr<CAccessObject> member, int write) {
    if (!member) return E_AREA_MEMBER_NULL;
    const std::int32_t result = CContainer::AddObject(member, write);
    if (result < 0) return result;
    // A member that was already there brings its counters again.
    TransferMember(member, true);
    return result;
}

std::int32_t CAreaGroup::RemoveObject(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO,
                                      std::shared_ptr<CAccessObject>& removed, int write) {
    const std::int32_t result = CContainer::RemoveObject(classID, id, serverNO, removed, write);
    if (result >= 0 && removed) TransferMember(removed, false);
    return result;
}

// ---- tree walks ---------------------------------------------------------------------

void CAreaGroup::GetAreas(const ContainerSet& start, AreaSet& areas) {
    WalkLevels(start, [&areas](CContainer& container, ContainerSet& next) {
        for (const auto& [key, member] : container.GetMemberObjects()) {
            if (Derives(member, CArea::kClassID)) {
                if (auto area = As<CArea>(member)) areas.insert(area);
            } else if (Derives(member, kClassID) || key.nClassID == kPlainContainerClassID) {
                if (auto inner = As<CContainer>(member)) next.insert(inner);
            }
        }
    });
}

void CAreaGroup::GetAreas(const GroupSet& start, AreaSet& areas) {
    GetAreas(AsContainers(start), areas);
}

void CAreaGroup::GetChildrenAreaGroups(const ContainerSet& start, GroupSet& groups) {
    WalkLevels(start, [&groups](CContainer& container, ContainerSet& next) {
        for (const auto& [key, member] : container.GetMemberObjects()) {
            SortGroupOrPlain(member, groups, next);
        }
    });
}

void CAreaGroup::GetChildrenAreaGroups(const GroupSet& start, GroupSet& groups) {
    GetChildrenAreaGroups(AsContainers(start), groups);
}

void CAreaGroup::GetParentAreaGroups(const ContainerSet& start, GroupSet& groups) {
    WalkLevels(start, [&groups](CContainer& container, ContainerSet& next) {
        for (const auto& parent : container.GetContainers()) SortGroupOrPlain(parent, groups, next);
    });
}

void CAreaGroup::GetParentAreaGroups(const GroupSet& start, GroupSet& groups) {
    GetParentAreaGroups(AsContainers(start), groups);
}

// ---- life cycle ---------------------------------------------------------------------

int CAreaGroup::OnLoad(int version) {
    const int result = CContainer::OnLoad(version);
    WriteAlarmCounts(*this, kClassID, kAreaGroupCounterProperty, AlarmCounts{});
    return result;
}

void CAreaGroup::InitObjectRelation() {
    CContainer::InitObjectRelation();
    StatisticsAlarm(1, 0);
}

std::int32_t CAreaGroup::OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                        std::uint32_t sections) {
    return CAccessObject::OnObjectChange(other, changed, sections);
}

std::int32_t CAreaGroup::InsertObject(std::shared_ptr<CNameObject> object) {
    return CNameObject::InsertObject(object);
}

std::int32_t CAreaGroup::DeleteObject(std::shared_ptr<CNameObject> object) {
    return CContainer::DeleteObject(object);
}

// ---- rest data ----------------------------------------------------------------------

int CAreaGroup::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CContainer::SaveRestData(w); }, kDataVersion,
        nullptr);
}

int CAreaGroup::LoadRestData(CBufferReader& reader, int restArg) {
    return LoadRestLevel(
        reader, [this, restArg](CBufferReader& r) { return CContainer::LoadRestData(r, restArg); },
        kDataVersion, nullptr);
}

int CAreaGroup::LoadRestData_V2(const void* data, int* size, int version) {
    if (!data || !size) return 0;
    int used = *size;
    if (!CContainer::LoadRestData_V2(data, &used, version)) return 0;
    RawCursor cursor(data, *size);
    std::uint32_t skipped = 0, count = 0;
    if (!cursor.Skip(used) || !cursor.ReadU32(skipped) || !cursor.ReadU32(count)) return 0;
    const int n = static_cast<int>(count);
    if (n > 0) {
        // The older form carried the group's picture as image 0.
        const std::uint8_t* bytes = cursor.Current();
        if (!cursor.Skip(n)) return 0;
        ImageInfo& image = GetAllImageInfo()[0];
        image.m_nIndex = 0;
        image.m_dtLastChangeTime = COleDateTime();
        image.m_imgData.Empty();
        if (!image.m_imgData.WriteByte(bytes, n)) return 0;
    }
    *size = cursor.Used();
    return 1;
}
