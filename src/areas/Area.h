// CArea: a configured area of the installation. A container (its members live in the
// Container table) that also knows the objects lying in it (they name it in their area IDs).
// Beside its persisted parameters it keeps run-time state (arming, bypass, personnel count,
// alarm counters, capacities) in its property and attribute facets; in server mode the state
// setters report changes to the client manager's notifier.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "areas/AlarmStatistics.h"
#include "areas/AreaAlarmLinkageAction.h"
#include "membership/Container.h"

class CAreaGroup;

// The buttons of an area's defense panel: a sequence of point indexes.
struct NAMEOBJECT_API _DEFENSE_BUTTON_MODE {
    struct _POINT_INDEX {
        std::uint32_t m_nFirst = 0;
        std::uint32_t m_nSecond = 0;
        bool operator==(const _POINT_INDEX& o) const {
            return m_nFirst == o.m_nFirst && m_nSecond == o.m_nSecond;
        }
    };
    std::vector<_POINT_INDEX> m_vecPointIndex;

    bool operator==(const _DEFENSE_BUTTON_MODE& o) const {
        return this == &o || m_vecPointIndex == o.m_vecPointIndex;
    }
    bool operator!=(const _DEFENSE_BUTTON_MODE& o) const { return !(*this == o); }
};

class NAMEOBJECT_API CArea : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CArea, 62, 0x83020200)

public:
    // The objects that lie in this area, by key.
    using ObjectsInArea = std::map<MJOBJECT_KEY, std::shared_ptr<CAccessObject>>;
    using ActionSet = std::set<AREA_ALARM_LINKAGE_ACTION>;
    using LinkageMap = std::map<std::uint32_t, ActionSet>;
    using PlatformLinkageMap = std::map<std::uint32_t, std::shared_ptr<CNameObject>>;

    // Property IDs (class 62) of the run-time state, and the attribute IDs.
    static constexpr std::uint32_t kPersonnelCountProperty = 0x7007001;
    static constexpr std::uint32_t kArmingStateProperty = 0x7007002;
    static constexpr std::uint32_t kBypassStateProperty = 0x7007003;
    static constexpr std::uint32_t kSortCabinetCountProperty = 0x7007110;
    static constexpr std::uint32_t kLastCapacityProperty = 0x7007117;
    static constexpr std::uint32_t kCountsPersonsAttribute = 0x7009001;
    static constexpr std::uint32_t kArmedAttribute = 0x7009002;
    static constexpr std::uint32_t kBypassedAttribute = 0x7009003;

    // The persisted parameters with their defaults.
    struct Parameters {
        std::uint32_t m_nMostCapability = 0;
        std::uint32_t m_nLeastCapability = 0;
        std::uint8_t m_byAreaAntiPassbackMode = 0;
        std::uint8_t m_byLeastStayTimeMode = 0;
        std::uint8_t m_byReserved1 = 0;
        std::uint8_t m_byReserved2 = 0;
        std::uint32_t m_nLeastStayTime = 0;
        std::uint32_t m_nAntiPassbackValidTime = 0;
        std::uint32_t m_nAntiPassbackDevice = 0;
        std::set<std::uint8_t> m_setCertificate;
        std::uint32_t m_nPersonnelCount = 0;
        std::vector<std::uint32_t> m_vecAreaPersons;
        std::set<std::uint32_t> m_setPhoneAuthPerson;
        std::uint32_t m_nPhoneAuthMode = 0;
        std::uint32_t m_nSmsAuthMode = 0;
        std::uint32_t m_nSmsReplyCount = 1;
        std::uint32_t m_nSmsReplyTimeout = 60;
        int m_nArmingState = 0;
        int m_nArmingDelay = 0;
        int m_nArmingMode = 0;
        int m_nDisArmingMode = 0;
        int m_nAlarmOutputMode = 0;
        int m_nAlarmOutputTime = 10;
        std::uint32_t m_nArmingPassword = 0;
        std::uint32_t m_nArmingSchemeTable = 0;
        int m_nArmingBrushCardTimes = 3;
        LinkageMap m_mapLinkage;
        std::uint32_t m_nPhoneAlarmMode = 0;
        std::uint32_t m_nTroubleSchedule = 0;
        int m_nCloseDoorAutoArmingTime = 10;
        std::uint32_t m_nPersonRestrictMode = 0;
        int m_nBypassState = 0;
        int m_nSetDefenseTimeout = 0;
        _DEFENSE_BUTTON_MODE m_DefenseButtonMode;
        std::vector<std::uint32_t> m_vecDefenseMode;
        std::uint32_t m_nDefenseKeepTime = 0;
    };

    CArea();
    ~CArea() override;

    // ---- plain parameters: the getter returns the field, the setter assigns it ----
#define NO_AREA_PARAM(type, stem, field)         \
    type Get##stem() const { return m_p.field; } \
    void Set##stem(type value) { m_p.field = value; }
#define NO_AREA_BYTE_PARAM(stem, field)                  \
    unsigned int Get##stem() const { return m_p.field; } \
    void Set##stem(unsigned int value) { m_p.field = static_cast<std::uint8_t>(value); }
    NO_AREA_PARAM(unsigned int, MostCapability, m_nMostCapability)
    NO_AREA_PARAM(unsigned int, LeastCapability, m_nLeastCapability)
    NO_AREA_BYTE_PARAM(AreaAntiPassbackMode, m_byAreaAntiPassbackMode)
    NO_AREA_BYTE_PARAM(LeastStayTimeMode, m_byLeastStayTimeMode)
    NO_AREA_PARAM(unsigned int, LeastStayTime, m_nLeastStayTime)
    NO_AREA_PARAM(unsigned int, AntiPassbackValidTime, m_nAntiPassbackValidTime)
    NO_AREA_PARAM(unsigned int, AntiPassbackDevice, m_nAntiPassbackDevice)
    NO_AREA_PARAM(unsigned int, PhoneAuthMode, m_nPhoneAuthMode)
    NO_AREA_PARAM(unsigned int, SmsAuthMode, m_nSmsAuthMode)
    NO_AREA_PARAM(unsigned int, SmsReplyCount, m_nSmsReplyCount)
    NO_AREA_PARAM(unsigned int, SmsReplyTimeout, m_nSmsReplyTimeout)
    NO_AREA_PARAM(int, ArmingDelay, m_nArmingDelay)
    NO_AREA_PARAM(int, ArmingMode, m_nArmingMode)
    NO_AREA_PARAM(int, DisArmingMode, m_nDisArmingMode)
    NO_AREA_PARAM(int, AlarmOutputMode, m_nAlarmOutputMode)
    NO_AREA_PARAM(int, AlarmOutputTime, m_nAlarmOutputTime)
    NO_AREA_PARAM(unsigned int, ArmingPassword, m_nArmingPassword)
    NO_AREA_PARAM(unsigned int, ArmingSchemeTable, m_nArmingSchemeTable)
    NO_AREA_PARAM(int, ArmingBrushCardTimes, m_nArmingBrushCardTimes)
    NO_AREA_PARAM(unsigned int, PhoneAlarmMode, m_nPhoneAlarmMode)
    NO_AREA_PARAM(unsigned int, TroubleSchedule, m_nTroubleSchedule)
    NO_AREA_PARAM(int, CloseDoorAutoArmingTime, m_nCloseDoorAutoArmingTime)
    NO_AREA_PARAM(unsigned int, PersonRestrictMode, m_nPersonRestrictMode)
    NO_AREA_PARAM(int, SetDefenseTimeout, m_nSetDefenseTimeout)
    NO_AREA_PARAM(unsigned int, DefenseKeepTime, m_nDefenseKeepTime)
#undef NO_AREA_PARAM
#undef NO_AREA_BYTE_PARAM

    // ---- run-time state ------------------------------------------------------------
    unsigned int GetPersonnelCount() const { return m_p.m_nPersonnelCount; }
    // Stores and publishes a changed count; in server mode, when this object is the stored
    // one, reports it to the notifier and the object-operate object. Equal count: nothing.
    void SetPersonnelCount(unsigned int count);
    int GetArmingState() const { return m_p.m_nArmingState; }
    // Stores and publishes the state (property and attribute); in server mode reports it.
    void SetArmingState(int state);
    int GetBypassState() const { return m_p.m_nBypassState; }
    void SetBypassState(int state);

    unsigned int GetSortCabinetCount() const;
    void SetSortCabinetCount(unsigned int value);
    double GetPowerCapacity() const;
    void SetPowerCapacity(double value);
    double GetCryogenCapacity() const;
    void SetCryogenCapacity(double value);
    unsigned int GetSpaceCapacity() const;
    void SetSpaceCapacity(unsigned int value);
    double GetReserveCryogenCapacity() const;
    void SetReserveCryogenCapacity(double value);
    float GetMachineRoomSpaceAlarmRate() const;
    void SetMachineRoomSpaceAlarmRate(float value);
    float GetMachineRoomPowerAlarmRate() const;
    void SetMachineRoomPowerAlarmRate(float value);
    float GetMachineRoomCryogenAlarmRate() const;
    void SetMachineRoomCryogenAlarmRate(float value);

    // The alarm counters (properties under class 62); no notification.
    int GetAlarmCounter(int index) const;
    void SetAlarmCounter(int index, int value);
    NO_ALARM_COUNTER_ACCESSORS

    // ---- collections -------------------------------------------------------------------
    void AddCertificate(unsigned char certificate) { m_p.m_setCertificate.insert(certificate); }
    void RemoveCertificate(unsigned char certificate) { m_p.m_setCertificate.erase(certificate); }
    void ClearCertificate() { m_p.m_setCertificate.clear(); }
    void GetCertificate(std::set<std::uint8_t>& out) const { out = m_p.m_setCertificate; }
    std::vector<std::uint32_t> GetAreaPersons() const { return m_p.m_vecAreaPersons; }
    void SetAreaPersons(std::vector<std::uint32_t> persons) {
        m_p.m_vecAreaPersons = std::move(persons);
    }
    std::set<std::uint32_t> GetPhoneAuthPerson() const { return m_p.m_setPhoneAuthPerson; }
    void SetPhoneAuthPerson(std::set<std::uint32_t> persons) {
        m_p.m_setPhoneAuthPerson = std::move(persons);
    }
    LinkageMap& GetLinkage() { return m_p.m_mapLinkage; }
    void GetLinkage(LinkageMap& out) const { out = m_p.m_mapLinkage; }
    void SetLinkage(LinkageMap linkage) { m_p.m_mapLinkage = std::move(linkage); }
    // The actions of one alarm type into out; out is left as it was when the type is absent.
    void GetLinkage(unsigned int alarmType, ActionSet& out) const;
    // Replaces the actions of one alarm type; an empty set erases the type.
    void SetLinkage(unsigned int alarmType, const ActionSet& actions);
    _DEFENSE_BUTTON_MODE GetDefenseButtonMode() const { return m_p.m_DefenseButtonMode; }
    void SetDefenseButtonMode(_DEFENSE_BUTTON_MODE mode) {
        m_p.m_DefenseButtonMode = std::move(mode);
    }
    std::vector<std::uint32_t> GetDefenseMode() const { return m_p.m_vecDefenseMode; }
    void SetDefenseMode(std::vector<std::uint32_t> mode) { m_p.m_vecDefenseMode = std::move(mode); }
    const ObjectsInArea& GetObjectInArea() const { return m_mapObjectsInArea; }
    void GetObjectInArea(ObjectsInArea& out) const { out = m_mapObjectsInArea; }
    PlatformLinkageMap* GetPlatformLinkages() { return &m_mapPlatformLinkages; }
    PlatformLinkageMap GetPlatformLinkagesCopy() const { return m_mapPlatformLinkages; }
    const Parameters& GetParameters() const { return m_p; }

    // A person enters / leaves (counting areas only): the persons-inside set, the count and
    // the area-persons order, then the row. The first argument is not used.
    void InsertPerson(unsigned int unused, unsigned int personID);
    void RemovePerson(unsigned int unused, unsigned int personID);

    // ---- alarm statistics --------------------------------------------------------------
    // Full recount over the members of class 350 (and derived). Runs when the statistics
    // flag is set or force is non-zero; with propagate, the differences go to the area
    // groups above. 1 when a counter changed, 0 otherwise.
    int StatisticsAlarm(int force, int propagate);
    // Adds the fifteen differences (two's-complement, counter order) to the counters, clamped
    // at 0; with propagate, hands them to the area groups above. Always 1.
    int StatisticsAlarmForffset(const AlarmCounts& differences, int propagate);

    // ---- tree walks (results are added to, never cleared) ---------------------------------
    // The area groups above the given objects (crossing only area groups).
    static void GetAreaGroups(const std::set<std::shared_ptr<CAccessObject>>& objects,
                              std::set<std::shared_ptr<CAccessObject>>& groups);
    static void GetAreaGroups(const std::set<std::uint32_t>& areaIDs,
                              std::set<std::uint32_t>& groupIDs);
    static void GetAreaGroups(const std::set<std::shared_ptr<CArea>>& areas,
                              std::set<std::shared_ptr<CAreaGroup>>& groups);
    static void GetAreaGroups(const std::set<std::shared_ptr<CArea>>& areas,
                              std::set<std::uint32_t>& groupIDs);

    // ---- virtual operations added after CContainer's, in slot order ------------------
    // Places object in this area: the area's map, and this area in the object's area sets.
    // Memory only. An empty object does nothing.
    virtual void AddObjectToArea(std::shared_ptr<CAccessObject> object);
    // The reverse of AddObjectToArea.
    virtual void RemoveObjectFromArea(std::shared_ptr<CAccessObject> object);

    // ---- overrides ------------------------------------------------------------------
    void FinalRelease() override;
    int OnLoad(int version) override;
    void InitObjectRelation() override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    using CNameObject::LoadRestData;
    using CNameObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;
    int LoadRestData_V2(const void* data, int* size, int version) override;
    void GetChangeableAttribute(CNameObjectAttribute& attributes) override;
    void GetChangeableExtProperty(
        std::map<std::uint32_t, std::set<std::uint32_t>>& properties) override;
    void GetRelativeObject(std::uint32_t classID, std::set<std::uint32_t>& ids) override;
    void GetRelativeObjectClassID(std::set<std::uint32_t>& classIDs) override;
    // E_AREA_MEMBER_NULL for an empty member; platform linkages are also listed apart.
    std::int32_t AddObject(std::shared_ptr<CAccessObject> member, int write) override;
    using CContainer::RemoveObject;
    std::int32_t RemoveObject(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                              std::shared_ptr<CAccessObject>& removed, int write) override;

    // The class-registry entries: the base insertion / container deletion, and the area's
    // entry under class 62 in the object store.
    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);

protected:
    // Publishes a state as property and attribute and reports it in server mode.
    void PublishState(int state, std::uint32_t property, std::uint32_t attribute);
    double GetDoubleProperty(std::uint32_t property) const;

    Parameters m_p;
    std::set<std::uint32_t> m_setPersonsInside;
    ObjectsInArea m_mapObjectsInArea;
    PlatformLinkageMap m_mapPlatformLinkages;
    int m_nStatisticsFlag = 1;
};
