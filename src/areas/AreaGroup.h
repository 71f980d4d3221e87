// CAreaGroup: a container of areas and area groups that gathers their alarm counters.
#pragma once

#include <map>
#include <memory>
#include <set>

#include "areas/AlarmStatistics.h"
#include "membership/Container.h"

class CArea;

class NAMEOBJECT_API CAreaGroup : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CAreaGroup, 63, 0x83000100)

public:
    using PlatformLinkageMap = std::map<std::uint32_t, std::shared_ptr<CNameObject>>;
    using ContainerSet = std::set<std::shared_ptr<CContainer>>;
    using GroupSet = std::set<std::shared_ptr<CAreaGroup>>;
    using AreaSet = std::set<std::shared_ptr<CArea>>;

    CAreaGroup();
    ~CAreaGroup() override;

    // The alarm counters (properties under class 63); no notification.
    int GetAlarmCounter(int index) const;
    void SetAlarmCounter(int index, int value);
    NO_ALARM_COUNTER_ACCESSORS

    PlatformLinkageMap* GetPlatformLinkages() { return &m_mapPlatformLinkages; }
    PlatformLinkageMap GetPlatformLinkagesCopy() const { return m_mapPlatformLinkages; }

    // Full recount over the alarm hosts (73) and alarm objects (350) of every area below the
    // group, each object once. Runs when the statistics flag is set or force is non-zero;
    // with propagate, the differences go upward. 1 when a counter changed, 0 otherwise.
    int StatisticsAlarm(int force, int propagate);
    // Adds the differences (two's-complement, counter order) clamped at 0; with propagate,
    // hands them to the area groups above and forwards them for other registered
    // containers. Always 1.
    int StatisticsAlarmForffset(const AlarmCounts& differences, int propagate);
    // The same within a propagation that already reached the containers in `handled`.
    void ApplyAlarmOffsets(const AlarmCounts& differences, int propagate, AlarmHandledSet& handled);

    // ---- tree walks (results are added to, never cleared; start objects not included) ----
    // Areas below the containers, through area groups and plain containers (class 3).
    static void GetAreas(const ContainerSet& start, AreaSet& areas);
    static void GetAreas(const GroupSet& start, AreaSet& areas);
    // Area groups below the containers, through plain containers.
    static void GetChildrenAreaGroups(const ContainerSet& start, GroupSet& groups);
    static void GetChildrenAreaGroups(const GroupSet& start, GroupSet& groups);
    // Area groups above the containers, through plain containers.
    static void GetParentAreaGroups(const ContainerSet& start, GroupSet& groups);
    static void GetParentAreaGroups(const GroupSet& start, GroupSet& groups);

    // ---- overrides ------------------------------------------------------------------
    int OnLoad(int version) override;
    void InitObjectRelation() override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    // Membership plus the transfer of a member area's or group's counters.
    std::int32_t AddObject(std::shared_ptr<CAccessObject> member, int write) override;
    using CContainer::RemoveObject;
    std::int32_t RemoveObject(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                              std::shared_ptr<CAccessObject>& removed, int write) override;
    using CNameObject::LoadRestData;
    using CNameObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;
    int LoadRestData_V2(const void* data, int* size, int version) override;

    // The class-registry entries.
    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);

protected:
    // Moves a member area's or group's current counters into (sign 1) or out of (sign -1)
    // this group's; a platform linkage enters or leaves the linkage map.
    void TransferMember(const std::shared_ptr<CAccessObject>& member, bool adding);

    PlatformLinkageMap m_mapPlatformLinkages;
    int m_nStatisticsFlag = 1;
};
