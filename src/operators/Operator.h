// COperator: an operator account. Carries passwords, validity and password-ageing settings,
// a polling window, workstation options, bound persons and a sign-in range; receives
// privileges only through the operator groups it is a direct member of.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "membership/AccessObject.h"
#include "misc/SocialSecurity.h"

class NAMEOBJECT_API COperator : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(COperator, 1200, 0x83000500)

public:
    // Attribute values (attribute class 1200) used by the attribute hand-over of a merge.
    static constexpr std::uint32_t kHandOverAttribute = 0x07103001;
    static constexpr std::uint32_t kHandedAttribute = 0x07103002;

    using KeySet = std::set<MJOBJECT_KEY>;
    using PrivilegeObjectCache =
        std::map<std::uint32_t, std::map<std::uint64_t, std::shared_ptr<CAccessObject>>>;

    COperator();
    ~COperator() override;

    // ---- statics ----------------------------------------------------------------
    // 1 when name belongs to an operator of serverNO whose password matches, else 0. A stored
    // password in the "$argon2id$" hash form is verified against the hash; any other stored
    // text must equal password exactly.
    static int Authorize(const CString* name, const CString* password, std::uint32_t serverNO);
    static int Authorize(const CString& name, const CString& password, std::uint32_t serverNO) {
        return Authorize(&name, &password, serverNO);
    }
    // The operator of serverNO with exactly this full name (lowest ID first); empty when none.
    static std::shared_ptr<COperator> GetOperator(const CString* name, std::uint32_t serverNO);
    static std::shared_ptr<COperator> GetOperator(const CString& name, std::uint32_t serverNO) {
        return GetOperator(&name, serverNO);
    }
    // The cached full name of operator id; empty when not cached.
    static CString GetSafeFullName(std::uint32_t id);
    // An argon2id hash of password in the standard string form; empty when hashing failed.
    static CString HashPassword(const CString& password);
    static bool IsPasswordHash(const CString& stored);

    // The class-registry entries: 0 or a result code.
    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);

    static std::map<std::uint32_t, CString> ms_mapOperatorFullName;
    static std::mutex ms_csLock;  // guards ms_mapOperatorFullName only

    // ---- accessors ----------------------------------------------------------------
    CString GetForcePwd() const { return m_strForcePwd; }
    void SetForcePwd(const CString& v) { m_strForcePwd = v; }
    CString GetPwd() const { return m_strPwd; }
    void SetPwd(const CString& v) { m_strPwd = v; }
    CString GetPwd2() const { return m_strPwd2; }
    void SetPwd2(const CString& v) { m_strPwd2 = v; }
    std::uint32_t GetRefCount() const { return m_nRefCount; }
    COleDateTime GetLastLogin() const { return m_dtLastLogin; }
    COleDateTime GetLastLogout() const { return m_dtLastLogout; }
    COleDateTime GetExpireDate() const { return m_dtExpireDate; }
    void SetExpireDate(const COleDateTime& v) { m_dtExpireDate = v; }
    KeySet GetPersons() const { return m_setPersons; }
    void SetPersons(const KeySet& v) { m_setPersons = v; }
    std::uint32_t GetShowTime() const { return m_nShowTime; }
    void SetShowTime(std::uint32_t v) { m_nShowTime = v; }
    std::uint32_t GetPollingTimeStart() const { return m_nPollingTimeStart; }
    void SetPollingTimeStart(std::uint32_t v) { m_nPollingTimeStart = v; }
    std::uint32_t GetPollingTimeEnd() const { return m_nPollingTimeEnd; }
    void SetPollingTimeEnd(std::uint32_t v) { m_nPollingTimeEnd = v; }
    int GetUsePolling() const { return m_bUsePolling; }
    void SetUsePolling(int v) { m_bUsePolling = v; }
    KeySet GetSignInRange() const { return m_setSignInRange; }
    void SetSignInRange(const KeySet& v) { m_setSignInRange = v; }
    int GetPasswordExpiration() const { return m_bPasswordExpiration; }
    void SetPasswordExpiration(int v) { m_bPasswordExpiration = v; }
    std::uint32_t GetExpirationDay() const { return m_nExpirationDay; }
    void SetExpirationDay(std::uint32_t v) { m_nExpirationDay = v; }
    std::uint32_t GetRemindDay() const { return m_nRemindDay; }
    void SetRemindDay(std::uint32_t v) { m_nRemindDay = v; }
    COleDateTime GetModifyPassTime() const { return m_dtModifyPassTime; }
    void SetModifyPassTime(const COleDateTime& v) { m_dtModifyPassTime = v; }
    const PrivilegeObjectCache& GetPrivilegeObjects() const { return m_mapPrivilegeObjects; }
    std::set<std::uint32_t> GetWorkStationOptionIDs() const { return m_setWorkStationOptionIDs; }
    void SetWorkStationOptionIDs(const std::set<std::uint32_t>& v) {
        m_setWorkStationOptionIDs = v;
    }

    // 1 for the administrator and for direct members of the system-manager group, else 0.
    int IsAdmin();
    // Rewrites this operator's OperatorBindingPerson rows: 0, E_DATABASE_UNAVAILABLE or
    // E_DATABASE_OPERATION (rolled back).
    std::int32_t UpdateDataBase();

    using CAccessObject::HasPrivilege;  // (operator, class, ID), asked of an object

    // ---- virtual operations added after CAccessObject's, in slot order ---------
    // Whether this operator may exercise the privilege (class, ID) on object: 1 or 0.
    virtual int HasPrivilege(std::shared_ptr<CAccessObject> object, std::uint32_t privilegeClassID,
                             std::uint32_t privilegeID);
    // IsAdmin(); the option ID is not consulted.
    virtual int HasPrivilegeWorkStation(std::uint32_t optionID);

    // ---- overrides ------------------------------------------------------------
    std::int32_t UpdateRecord() override;
    int OnLoad(int version) override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    using CNameObject::LoadRestData;
    using CNameObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;
    void GetChangeableAttribute(CNameObjectAttribute& attributes) override;

protected:
    // Clears the hand-over attributes from an operator that received them and never used them.
    static void TakeBackHandedAttribute(const std::shared_ptr<COperator>& op);
    void MergeRestData(const COperator& other, std::uint32_t& changed);

    std::uint32_t m_nOperatorWord = 0;
    CString m_strForcePwd;
    CString m_strPwd;
    CString m_strPwd2;
    CSocialSecurity m_socialSecurity;
    CString m_strExtra[6];
    std::uint32_t m_nRefCount = 0;
    COleDateTime m_dtLastLogin;
    COleDateTime m_dtLastLogout;
    COleDateTime m_dtExpireDate;
    KeySet m_setPersons;
    std::uint32_t m_nShowTime = 0;
    std::uint32_t m_nPollingTimeStart = 0;
    std::uint32_t m_nPollingTimeEnd = 0;
    int m_bUsePolling = 0;
    KeySet m_setSignInRange;
    int m_bPasswordExpiration = 0;
    std::uint32_t m_nExpirationDay = 100;
    std::uint32_t m_nRemindDay = 10;
    COleDateTime m_dtModifyPassTime;
    PrivilegeObjectCache m_mapPrivilegeObjects;
    std::set<std::uint32_t> m_setWorkStationOptionIDs;

private:
    struct GroupIndex;
    // What HasPrivilege needs of the containers: for the library's own groups one index of
    // their maps, shared with operators in the same groups. Built on first use and rebuilt
    // when the containers or a group's maps changed; null when there was no memory for it.
    const GroupIndex* CurrentGroupIndex();
    std::shared_ptr<const GroupIndex> m_groupIndex;
};
