#include "areas/Area.h"

#include <algorithm>

#include "areas/AreaGroup.h"
#include "platform/ClientManager.h"
#include "platform/Config.h"
#include "registry/ClassRegistry.h"
#include "registry/ObjectStore.h"

NO_IMPLEMENT_OBJECT_CLASS(CArea, CContainer)

namespace {

// The attribute section, as the object-change report names it.
constexpr std::uint32_t kAttributeSection = 4;

constexpr std::uint32_t kSpaceCapacityProperty = 0x7007113;
constexpr std::uint32_t kPowerCapacityProperty = 0x7007111;
constexpr std::uint32_t kCryogenCapacityProperty = 0x7007112;
constexpr std::uint32_t kReserveCryogenCapacityProperty = 0x7007114;
constexpr std::uint32_t kSpaceAlarmRateProperty = 0x7007115;
constexpr std::uint32_t kPowerAlarmRateProperty = 0x7007116;
constexpr std::uint32_t kCryogenAlarmRateProperty = 0x7007117;

bool IsPlatformLinkage(const std::shared_ptr<CAccessObject>& object) {
    return object && IsDerivedFrom(object->GetObjectClassID(), kPlatformLinkageClassID) != 0;
}

std::shared_ptr<CAreaGroup> AsAreaGroup(const std::shared_ptr<CContainer>& container) {
    if (!container || !container->IsKindOf(RUNTIME_CLASS(CAreaGroup))) return nullptr;
    return std::static_pointer_cast<CAreaGroup>(container);
}

}  // namespace

CArea::CArea() { m_nClassID = kClassID; }

CArea::~CArea() = default;

// ---- run-time state ---------------------------------------------------------------

void CArea::PublishState(int state, std::uint32_t property, std::uint32_t attribute) {
    SetProperty(kClassID, property, _variant_t(state));
    CNameObjectAttribute::SetAttribute(kClassID, attribute, state != 0 ? 1 : 0);
    CClientNotify* notify = CClientManager::GetInstance()->GetClientNotify();
    if (!GetIsServerMode() || !notify) return;
    notify->OnPropertyChange(m_nClassID, m_nID, m_nServerNO, kClassID, property);
    notify->OnObjectChange(m_nClassID, m_nID, m_nServerNO, kAttributeSection, kAttributeSection);
}

void CArea::SetArmingState(int state) {
    m_p.m_nArmingState = state;
    PublishState(state, kArmingStateProperty, kArmedAttribute);
}

void CArea::SetBypassState(int state) {
    m_p.m_nBypassState = state;
    PublishState(state, kBypassStateProperty, kBypassedAttribute);
}

void CArea::SetPersonnelCount(unsigned int count) {
    if (count == m_p.m_nPersonnelCount) return;
    m_p.m_nPersonnelCount = count;
    SetProperty(kClassID, kPersonnelCountProperty, _variant_t(count));
    // Only the stored area speaks for the area; a copy being edited stays silent.
    if (!GetIsServerMode() || FindObject(m_nClassID, m_nID, m_nServerNO).get() != this) return;
    CClientManager* manager = CClientManager::GetInstance();
    if (CClientNotify* notify = manager->GetClientNotify()) {
        notify->OnPropertyChange(m_nClassID, m_nID, m_nServerNO, kClassID, kPersonnelCountProperty);
    }
    if (CObjectOperate* operate = manager->GetObjectOperate()) {
        operate->UpdatePersonnelCount(m_nID, m_nServerNO);
    }
}

double CArea::GetDoubleProperty(std::uint32_t property) const {
    _variant_t value;
    double result = 0.0;
    if (!GetProperty(kClassID, property, value) || !value.ToDouble(result)) return 0.0;
    return result;
}

unsigned int CArea::GetSortCabinetCount() const {
    return GetInt32Property(kClassID, kSortCabinetCountProperty, 0);
}
void CArea::SetSortCabinetCount(unsigned int value) {
    SetProperty(kClassID, kSortCabinetCountProperty, _variant_t(value));
}
double CArea::GetPowerCapacity() const { return GetDoubleProperty(kPowerCapacityProperty); }
void CArea::SetPowerCapacity(double value) {
    SetProperty(kClassID, kPowerCapacityProperty, _variant_t(value));
}
double CArea::GetCryogenCapacity() const { return GetDoubleProperty(kCryogenCapacityProperty); }
void CArea::SetCryogenCapacity(double value) {
    SetProperty(kClassID, kCryogenCapacityProperty, _variant_t(value));
}
unsigned int CArea::GetSpaceCapacity() const {
    return GetInt32Property(kClassID, kSpaceCapacityProperty, 0);
}
void CArea::SetSpaceCapacity(unsigned int value) {
    SetProperty(kClassID, kSpaceCapacityProperty, _variant_t(value));
}
double CArea::GetReserveCryogenCapacity() const {
    return GetDoubleProperty(kReserveCryogenCapacityProperty);
}
void CArea::SetReserveCryogenCapacity(double value) {
    SetProperty(kClassID, kReserveCryogenCapacityProperty, _variant_t(value));
}
float CArea::GetMachineRoomSpaceAlarmRate() const {
    return static_cast<float>(GetDoubleProperty(kSpaceAlarmRateProperty));
}
void CArea::SetMachineRoomSpaceAlarmRate(float value) {
    SetProperty(kClassID, kSpaceAlarmRateProperty, _variant_t(value));
}
float CArea::GetMachineRoomPowerAlarmRate() const {
    return static_cast<float>(GetDoubleProperty(kPowerAlarmRateProperty));
}
void CArea::SetMachineRoomPowerAlarmRate(float value) {
    SetProperty(kClassID, kPowerAlarmRateProperty, _variant_t(value));
}
float CArea::GetMachineRoomCryogenAlarmRate() const {
    return static_cast<float>(GetDoubleProperty(kCryogenAlarmRateProperty));
}
void CArea::SetMachineRoomCryogenAlarmRate(float value) {
    SetProperty(kClassID, kCryogenAlarmRateProperty, _variant_t(value));
}

int CArea::GetAlarmCounter(int index) const {
    return static_cast<int>(GetInt32Property(kClassID, kAreaCounterProperty + index, 0));
}

void CArea::SetAlarmCounter(int index, int value) {
    SetProperty(kClassID, kAreaCounterProperty + index, _variant_t(value));
}

// ---- collections ------------------------------------------------------------------

void CArea::GetLinkage(unsigned int alarmType, ActionSet& out) const {
    auto it = m_p.m_mapLinkage.find(alarmType);
    if (it != m_p.m_mapLinkage.end()) out = it->second;
}

void CArea::SetLinkage(unsigned int alarmType, const ActionSet& actions) {
    if (actions.empty()) {
        m_p.m_mapLinkage.erase(alarmType);
    } else {
        m_p.m_mapLinkage[alarmType] = actions;
    }
}

void CArea::InsertPerson(unsigned int, unsigned int personID) {
    if (!TestAttribute(kClassID, kCountsPersonsAttribute)) return;
    if (!m_setPersonsInside.insert(personID).second) return;
    SetPersonnelCount(m_p.m_nPersonnelCount + 1);
    // The sequence keeps persons in order of their last entry.
    std::erase(m_p.m_vecAreaPersons, personID);
    m_p.m_vecAreaPersons.push_back(personID);
    UpdateRecord();
}

void CArea::RemovePerson(unsigned int, unsigned int personID) {
    if (!TestAttribute(kClassID, kCountsPersonsAttribute)) return;
    if (m_setPersonsInside.erase(personID) == 0) return;
    if (m_p.m_nPersonnelCount != 0) SetPersonnelCount(m_p.m_nPersonnelCount - 1);
    std::erase(m_p.m_vecAreaPersons, personID);
    UpdateRecord();
}

// ---- alarm statistics ---------------------------------------------------------------

int CArea::StatisticsAlarm(int force, int propagate) {
    if (m_nStatisticsFlag == 0 && force == 0) return 0;
    m_nStatisticsFlag = 1;
    const MemberMap alarmObjects = GetMemberObjects(kAlarmObjectClassID, 1);
    AlarmCounts differences{};
    if (!RecountAlarms(*this, kClassID, kAreaCounterProperty, alarmObjects, differences)) return 0;
    if (propagate) {
        AlarmHandledSet handled{GetObjectUniqueID()};
        PropagateAlarmDifferences(m_vecContainers, differences, propagate, false, handled);
    }
    m_nStatisticsFlag = 0;
    return 1;
}

int CArea::StatisticsAlarmForffset(const AlarmCounts& differences, int propagate) {
    ApplyAlarmDifferences(*this, kClassID, kAreaCounterProperty, differences);
    if (!propagate) return 1;
    AlarmHandledSet handled{GetObjectUniqueID()};
    PropagateAlarmDifferences(m_vecContainers, differences, propagate, false, handled);
    return 1;
}

// ---- tree walks ---------------------------------------------------------------------

void CArea::GetAreaGroups(const std::set<std::shared_ptr<CAccessObject>>& objects,
                          std::set<std::shared_ptr<CAccessObject>>& groups) {
    std::set<std::shared_ptr<CAccessObject>> level = objects;
    while (!level.empty()) {
        std::set<std::shared_ptr<CAccessObject>> next;
        for (const auto& object : level) {
            if (!object) continue;
            for (const auto& container : object->GetContainers()) {
                if (auto group = AsAreaGroup(container)) {
                    groups.insert(group);
                    next.insert(group);
                }
            }
        }
        level = std::move(next);
    }
}

void CArea::GetAreaGroups(const std::set<std::shared_ptr<CArea>>& areas,
                          std::set<std::shared_ptr<CAreaGroup>>& groups) {
    std::set<std::shared_ptr<CAccessObject>> found;
    GetAreaGroups(std::set<std::shared_ptr<CAccessObject>>(areas.begin(), areas.end()), found);
    for (const auto& group : found) groups.insert(std::static_pointer_cast<CAreaGroup>(group));
}

void CArea::GetAreaGroups(const std::set<std::shared_ptr<CArea>>& areas,
                          std::set<std::uint32_t>& groupIDs) {
    std::set<std::shared_ptr<CAreaGroup>> groups;
    GetAreaGroups(areas, groups);
    for (const auto& group : groups) groupIDs.insert(group->GetID());
}

void CArea::GetAreaGroups(const std::set<std::uint32_t>& areaIDs,
                          std::set<std::uint32_t>& groupIDs) {
    std::set<std::shared_ptr<CArea>> areas;
    for (std::uint32_t id : areaIDs) {
        auto object = GDM_Find(kClassID, id);
        if (object && object->IsKindOf(RUNTIME_CLASS(CArea))) {
            areas.insert(std::static_pointer_cast<CArea>(object));
        }
    }
    GetAreaGroups(areas, groupIDs);
}

// ---- objects in the area and members ------------------------------------------------

void CArea::AddObjectToArea(std::shared_ptr<CAccessObject> object) {
    if (!object) return;
    // Objects join in ascending key order at start-up: the end hint then saves the search.
    m_mapObjectsInArea.insert_or_assign(m_mapObjectsInArea.end(), object->GetObjectUniqueID(),
                                        object);
    object->GetAreaID().insert(m_nID);
    if (auto self = SelfAs<CArea>()) object->GetArea().insert(std::move(self));
}

void CArea::RemoveObjectFromArea(std::shared_ptr<CAccessObject> object) {
    if (!object) return;
    m_mapObjectsInArea.erase(object->GetObjectUniqueID());
    object->GetAreaID().erase(m_nID);
    std::erase_if(object->GetArea(), [this](const auto& area) { return area.get() == this; });
}

std::int32_t CArea::AddObject(std::shared_ptr<CAccessObject> member, int write) {
    if (!member) return E_AREA_MEMBER_NULL;
    const std::int32_t result = CContainer::AddObject(member, write);
    if (result < 0) return result;
    if (IsPlatformLinkage(member)) m_mapPlatformLinkages.emplace(member->GetID(), member);
    return result;
}

std::int32_t CArea::RemoveObject(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                                 std::shared_ptr<CAccessObject>& removed, int write) {
    const std::int32_t result = CContainer::RemoveObject(classID, id, serverNO, removed, write);
    if (result >= 0 && IsPlatformLinkage(removed)) m_mapPlatformLinkages.erase(removed->GetID());
    return result;
}

// ---- life cycle -----------------------------------------------------------------------

void CArea::FinalRelease() {
    // The placed objects keep their area sets; only this area's references go.
    m_mapObjectsInArea.clear();
    CContainer::FinalRelease();
}

int CArea::OnLoad(int version) {
    const int result = CContainer::OnLoad(version);
    GDM_Add(kClassID, m_nID, m_nServerNO, SelfAs<CNameObject>());
    SetArmingState(m_p.m_nArmingState);
    SetBypassState(m_p.m_nBypassState);
    WriteAlarmCounts(*this, kClassID, kAreaCounterProperty, AlarmCounts{});
    return result;
}

void CArea::InitObjectRelation() {
    CContainer::InitObjectRelation();
    StatisticsAlarm(1, 0);
}

std::int32_t CArea::OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                   std::uint32_t sections) {
    const std::int32_t result = CAccessObject::OnObjectChange(other, changed, sections);
    if (result < 0 || (sections & SECTION_REST_DATA) == 0) return result;
    if (!other || !other->IsKindOf(RUNTIME_CLASS(CArea))) return result;
    const Parameters& in = static_cast<const CArea&>(*other).m_p;
    bool differs = false;
    auto merge = [&differs](auto& mine, const auto& theirs) {
        if (mine == theirs) return;
        mine = theirs;
        differs = true;
    };
    // Run-time state (arming, bypass, personnel count, area persons) stays the server's.
    merge(m_p.m_nMostCapability, in.m_nMostCapability);
    merge(m_p.m_nLeastCapability, in.m_nLeastCapability);
    merge(m_p.m_byAreaAntiPassbackMode, in.m_byAreaAntiPassbackMode);
    merge(m_p.m_byLeastStayTimeMode, in.m_byLeastStayTimeMode);
    merge(m_p.m_byReserved1, in.m_byReserved1);
    merge(m_p.m_byReserved2, in.m_byReserved2);
    merge(m_p.m_nLeastStayTime, in.m_nLeastStayTime);
    merge(m_p.m_nPersonRestrictMode, in.m_nPersonRestrictMode);
    merge(m_p.m_nAntiPassbackValidTime, in.m_nAntiPassbackValidTime);
    merge(m_p.m_nAntiPassbackDevice, in.m_nAntiPassbackDevice);
    merge(m_p.m_setCertificate, in.m_setCertificate);
    merge(m_p.m_setPhoneAuthPerson, in.m_setPhoneAuthPerson);
    merge(m_p.m_nPhoneAuthMode, in.m_nPhoneAuthMode);
    merge(m_p.m_nSmsAuthMode, in.m_nSmsAuthMode);
    merge(m_p.m_nPhoneAlarmMode, in.m_nPhoneAlarmMode);
    merge(m_p.m_nSmsReplyCount, in.m_nSmsReplyCount);
    merge(m_p.m_nSmsReplyTimeout, in.m_nSmsReplyTimeout);
    merge(m_p.m_nArmingDelay, in.m_nArmingDelay);
    merge(m_p.m_nArmingMode, in.m_nArmingMode);
    merge(m_p.m_nDisArmingMode, in.m_nDisArmingMode);
    merge(m_p.m_nAlarmOutputMode, in.m_nAlarmOutputMode);
    merge(m_p.m_nAlarmOutputTime, in.m_nAlarmOutputTime);
    merge(m_p.m_nTroubleSchedule, in.m_nTroubleSchedule);
    merge(m_p.m_nArmingPassword, in.m_nArmingPassword);
    merge(m_p.m_nArmingSchemeTable, in.m_nArmingSchemeTable);
    merge(m_p.m_nArmingBrushCardTimes, in.m_nArmingBrushCardTimes);
    merge(m_p.m_nCloseDoorAutoArmingTime, in.m_nCloseDoorAutoArmingTime);
    merge(m_p.m_nSetDefenseTimeout, in.m_nSetDefenseTimeout);
    merge(m_p.m_DefenseButtonMode, in.m_DefenseButtonMode);
    merge(m_p.m_vecDefenseMode, in.m_vecDefenseMode);
    merge(m_p.m_nDefenseKeepTime, in.m_nDefenseKeepTime);
    merge(m_p.m_mapLinkage, in.m_mapLinkage);
    if (differs) changed |= SECTION_REST_DATA;
    return result;
}

void CArea::GetChangeableAttribute(CNameObjectAttribute& attributes) {
    for (std::uint32_t id : {kCountsPersonsAttribute, kArmedAttribute, kBypassedAttribute}) {
        attributes.AddAttribute(kClassID, id);
    }
    CContainer::GetChangeableAttribute(attributes);
}

void CArea::GetChangeableExtProperty(std::map<std::uint32_t, std::set<std::uint32_t>>& properties) {
    auto& ids = properties[kClassID];
    ids.insert({kPersonnelCountProperty, kArmingStateProperty, kBypassStateProperty});
    for (std::uint32_t id = kSortCabinetCountProperty; id <= kLastCapacityProperty; ++id)
        ids.insert(id);
    CContainer::GetChangeableExtProperty(properties);
}

void CArea::GetRelativeObject(std::uint32_t classID, std::set<std::uint32_t>& ids) {
    CContainer::GetRelativeObject(classID, ids);
}

void CArea::GetRelativeObjectClassID(std::set<std::uint32_t>& classIDs) {
    CContainer::GetRelativeObjectClassID(classIDs);
}

std::int32_t CArea::InsertObject(std::shared_ptr<CNameObject> object) {
    const std::int32_t result = CNameObject::InsertObject(object);
    if (result >= 0) GDM_Add(kClassID, object->GetID(), object->GetServerNO(), object);
    return result;
}

std::int32_t CArea::DeleteObject(std::shared_ptr<CNameObject> object) {
    const std::int32_t result = CContainer::DeleteObject(object);
    if (result >= 0) GDM_Remove(kClassID, object->GetID(), object->GetServerNO());
    return result;
}
