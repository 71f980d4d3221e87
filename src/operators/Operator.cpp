#include "operators/Operator.h"

#include <sodium.h>

#include "core/RestData.h"
#include "operators/AdminActor.h"
#include "operators/OperatorGroup.h"
#include "operators/RestFields.h"
#include "operators/SysManagerGroupMJ.h"
#include "platform/ClientManager.h"
#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

NO_IMPLEMENT_OBJECT_CLASS(COperator, CAccessObject)

std::map<std::uint32_t, CString> COperator::ms_mapOperatorFullName;
std::mutex COperator::ms_csLock;

namespace {

// The first rest versions that carry workstation options, persons, the polling group and the
// password-ageing group.
constexpr std::int32_t kOptionsVersion = 0x03000200;
constexpr std::int32_t kPersonsVersion = 0x03000300;
constexpr std::int32_t kPollingVersion = 0x03000400;
constexpr std::int32_t kAgeingVersion = 0x03000500;

constexpr char kHashPrefix[] = "$argon2id$";

// The stored order of the six extra texts (by their number minus one).
constexpr int kExtraOrder[6] = {0, 5, 3, 2, 1, 4};

std::shared_ptr<COperator> AsOperator(const std::shared_ptr<CNameObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(COperator))) return nullptr;
    return std::static_pointer_cast<COperator>(object);
}

bool IsZeroDate(const COleDateTime& d) { return d.m_dt == 0.0; }

void SetCachedFullName(std::uint32_t id, const CString& name) {
    std::lock_guard<std::mutex> lock(COperator::ms_csLock);
    COperator::ms_mapOperatorFullName[id] = name;
}

// Copies from into to when they differ and records the rest-data change.
template <class T>
void MergeField(T& to, const T& from, std::uint32_t& changed) {
    if (to == from) return;
    to = from;
    changed |= SECTION_REST_DATA;
}

// The social-security record merges field by field: type, department, number.
void MergeSocialSecurity(CSocialSecurity& to, const CSocialSecurity& from, std::uint32_t& changed) {
    int type = to.GetType();
    CString department = to.GetDepartment(), number = to.GetNumber();
    MergeField(type, from.GetType(), changed);
    MergeField(department, from.GetDepartment(), changed);
    MergeField(number, from.GetNumber(), changed);
    to = CSocialSecurity(type, number, department);
}

bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

bool PasswordMatches(const CString& stored, const CString& given) {
    if (!COperator::IsPasswordHash(stored)) return stored.Compare(given) == 0;
    if (!SodiumReady()) return false;
    const std::string hash = stored.ToUtf8();
    const std::string password = given.ToUtf8();
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace

COperator::COperator() { m_nClassID = kClassID; }

COperator::~COperator() = default;

// ---- statics --------------------------------------------------------------------

int COperator::Authorize(const CString* name, const CString* password, std::uint32_t serverNO) {
    if (name == nullptr) return 0;
    auto op = GetOperator(name, serverNO);
    if (!op || password == nullptr) return 0;
    return PasswordMatches(op->m_strPwd, *password) ? 1 : 0;
}

std::shared_ptr<COperator> COperator::GetOperator(const CString* name, std::uint32_t serverNO) {
    if (name == nullptr) return nullptr;
    for (const auto& [id, object] : GDM_GetMapCopy(kClassID, serverNO)) {
        auto op = AsOperator(object);
        if (op && op->GetFullName().Compare(*name) == 0) return op;
    }
    return nullptr;
}

CString COperator::GetSafeFullName(std::uint32_t id) {
    std::lock_guard<std::mutex> lock(ms_csLock);
    auto it = ms_mapOperatorFullName.find(id);
    return it == ms_mapOperatorFullName.end() ? CString() : it->second;
}

bool COperator::IsPasswordHash(const CString& stored) {
    return stored.ToUtf8().starts_with(kHashPrefix);
}

CString COperator::HashPassword(const CString& password) {
    if (!SodiumReady()) return CString();
    const std::string plain = password.ToUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, plain.data(), plain.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        return CString();
    }
    return CString::FromUtf8(out);
}

std::int32_t COperator::InsertObject(std::shared_ptr<CNameObject> object) {
    auto op = AsOperator(object);
    if (!op) return E_WRONG_OBJECT_CLASS;
    const CString fullName = op->GetFullName();
    if (GetOperator(&fullName, op->GetServerNO())) return E_OPERATOR_NAME_EXISTS;
    std::int32_t result = CNameObject::InsertObject(object);
    if (result < 0) return result;
    if (IsZeroDate(op->m_dtModifyPassTime) && op->GetServerNO() == GetCurrentServerNO()) {
        op->m_dtModifyPassTime = COleDateTime::GetCurrentTime();
    }
    result = op->UpdateDataBase();
    if (result < 0) return result;
    GDM_Add(kClassID, op->GetID(), op->GetServerNO(), op);
    SetCachedFullName(op->GetID(), op->GetFullName());
    return 0;
}

std::int32_t COperator::DeleteObject(std::shared_ptr<CNameObject> object) {
    auto op = AsOperator(object);
    if (!op) return E_WRONG_OBJECT_CLASS;
    const std::int32_t result = CAccessObject::DeleteObject(object);
    if (result < 0) return result;
    GDM_Remove(kClassID, op->GetID(), op->GetServerNO());
    std::lock_guard<std::mutex> lock(ms_csLock);
    ms_mapOperatorFullName.erase(op->GetID());
    return 0;
}

// ---- privileges -------------------------------------------------------------------

int COperator::IsAdmin() {
    if (IsKindOf(RUNTIME_CLASS(CAdminActor))) return 1;
    const auto sysGroup = CSysManagerGroupMJ::GetInstance();
    if (!sysGroup) return 0;
    for (const auto& container : m_vecContainers) {
        if (container.get() == sysGroup.get()) return 1;
    }
    return 0;
}

int COperator::HasPrivilegeWorkStation(std::uint32_t) { return IsAdmin(); }

// ---- database -----------------------------------------------------------------------

std::int32_t COperator::UpdateRecord() {
    const std::int32_t result = CAccessObject::UpdateRecord();
    return result < 0 ? result : UpdateDataBase();
}

std::int32_t COperator::UpdateDataBase() {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    const int classID = static_cast<int>(m_nClassID);
    const int id = static_cast<int>(m_nID);
    const int serverNO = static_cast<int>(m_nServerNO);
    if (!db->BeginTransaction()) {
        // The engine refused the transaction itself: report its message as the debugger line.
        OutputDebugStringW(CString::FromUtf8(db->GetLastError()));
        db->RollbackTransaction();
        return E_DATABASE_OPERATION;
    }
    auto fail = [db]() {
        db->RollbackTransaction();
        return E_DATABASE_OPERATION;
    };
    if (!db->Execute(
            CString::Formatted("DELETE FROM  OperatorBindingPerson WHERE nOperatorClassID = %d "
                               "And nOperatorID = %d AND nOperatorServerNO = %d",
                               classID, id, serverNO))) {
        return fail();
    }
    for (const MJOBJECT_KEY& person : m_setPersons) {
        if (!FindObject(person.nClassID, person.nID, person.nServerNO)) continue;
        const CString sql = CString::Formatted(
            "INSERT INTO OperatorBindingPerson "
            "([nOperatorClassID],[nOperatorID],[nOperatorServerNO],"
            "\t\t\t\t\t\t\t\t [nPersonClassID],[nPersonID],[nPersonServerNO]) \t\t\t\t\t\t\t\t "
            "VALUES( %d, %d, %d, %d, %d ,%d)",
            classID, id, serverNO, static_cast<int>(person.nClassID), static_cast<int>(person.nID),
            static_cast<int>(person.nServerNO));
        if (!db->Execute(sql)) return fail();
    }
    if (!db->CommitTransaction()) {
        OutputDebugStringW(CString::FromUtf8(db->GetLastError()));
        return fail();
    }
    return 0;
}

int COperator::OnLoad(int version) {
    const int result = CNameObject::OnLoad(version);
    if (result != 0) {
        GDM_Add(kClassID, m_nID, m_nServerNO, SelfAs<CNameObject>());
        m_nRefCount = 0;
    }
    return result;
}

void COperator::GetChangeableAttribute(CNameObjectAttribute& attributes) {
    attributes.AddAttribute(kClassID, kHandOverAttribute);
    CNameObject::GetChangeableAttribute(attributes);
}

// ---- merge -------------------------------------------------------------------------

std::int32_t COperator::OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                       std::uint32_t sections) {
    if ((sections & SECTION_BASIC_DATA) && other &&
        other->GetFullName().Compare(m_strFullName) != 0) {
        return E_OPERATOR_NAME_FIXED;
    }
    bool had = false;
    bool has = false;
    if ((sections & SECTION_EXT_ATTRIBUTE) && other) {
        had = TestAttribute(kClassID, kHandOverAttribute) != 0;
        has = other->TestAttribute(kClassID, kHandOverAttribute) != 0;
        if (had && !has)
            other->AddAttribute(kClassID, kHandOverAttribute);  // never cleared by a merge
    }
    const std::int32_t result = CAccessObject::OnObjectChange(other, changed, sections);
    if (result >= 0 && (sections & SECTION_REST_DATA)) {
        if (auto from = AsOperator(other)) MergeRestData(*from, changed);
    }
    if (changed & SECTION_BASIC_DATA) SetCachedFullName(m_nID, m_strFullName);

    // An operator newly given the hand-over attribute takes it back from the members of its
    // groups (and from the administrator) that were handed it and never used it.
    if (had != has && has && TestAttribute(kClassID, kHandOverAttribute)) {
        for (const auto& container : m_vecContainers) {
            auto group = COperatorGroup::Cast(container);
            if (!group) continue;
            for (const auto& [key, member] : group->GetMemberObjects(kClassID, 1)) {
                if (key == GetObjectUniqueID()) continue;
                TakeBackHandedAttribute(AsOperator(member));
            }
        }
        if (!IsKindOf(RUNTIME_CLASS(CAdminActor)))
            TakeBackHandedAttribute(CAdminActor::GetInstance());
    }
    return result;
}

void COperator::TakeBackHandedAttribute(const std::shared_ptr<COperator>& op) {
    if (!op || !op->TestAttribute(kClassID, kHandedAttribute) || op->m_nRefCount != 0) return;
    op->RemoveAttribute(kClassID, kHandOverAttribute);
    op->RemoveAttribute(kClassID, kHandedAttribute);
    op->UpdateAttributeData();
    if (auto* notify = CClientManager::GetInstance()->GetClientNotify()) {
        notify->OnObjectChange(op->GetObjectClassID(), op->GetID(), op->GetServerNO(), 4, 5);
    }
}

void COperator::MergeRestData(const COperator& other, std::uint32_t& changed) {
    MergeField(m_strForcePwd, other.m_strForcePwd, changed);
    if (other.m_bPasswordExpiration && IsZeroDate(m_dtModifyPassTime)) {
        m_dtModifyPassTime = COleDateTime::GetCurrentTime();
    }
    if (m_strPwd.Compare(other.m_strPwd) != 0) m_dtModifyPassTime = COleDateTime::GetCurrentTime();
    MergeField(m_strPwd, other.m_strPwd, changed);
    MergeField(m_strPwd2, other.m_strPwd2, changed);
    MergeSocialSecurity(m_socialSecurity, other.m_socialSecurity, changed);
    for (int i = 0; i < 6; ++i) MergeField(m_strExtra[i], other.m_strExtra[i], changed);
    if (m_dtExpireDate.m_dt != other.m_dtExpireDate.m_dt) {
        m_dtExpireDate = other.m_dtExpireDate;
        changed |= SECTION_REST_DATA;
    }
    MergeField(m_setWorkStationOptionIDs, other.m_setWorkStationOptionIDs, changed);
    MergeField(m_setPersons, other.m_setPersons, changed);
    MergeField(m_nShowTime, other.m_nShowTime, changed);
    MergeField(m_bUsePolling, other.m_bUsePolling, changed);
    MergeField(m_nPollingTimeStart, other.m_nPollingTimeStart, changed);
    MergeField(m_nPollingTimeEnd, other.m_nPollingTimeEnd, changed);
    MergeField(m_setSignInRange, other.m_setSignInRange, changed);
    MergeField(m_bPasswordExpiration, other.m_bPasswordExpiration, changed);
    MergeField(m_nExpirationDay, other.m_nExpirationDay, changed);
    MergeField(m_nRemindDay, other.m_nRemindDay, changed);
}

// ---- rest data ----------------------------------------------------------------------

int COperator::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CAccessObject::SaveRestData(w); }, kDataVersion,
        [this](CBufferWriter& w) {
            using namespace restfields;
            bool ok = w.Write(m_dtLastLogin) && w.Write(m_dtExpireDate) &&
                      w.Write(m_dtLastLogout) && w.Write(m_nOperatorWord) && w.Write(m_nRefCount) &&
                      w.WriteString(m_strPwd) && w.WriteString(m_strForcePwd) &&
                      w.WriteString(m_strPwd2);
            for (int i : kExtraOrder) ok = ok && w.WriteString(m_strExtra[i]);
            return ok && m_socialSecurity.SaveData(w) > 0 &&
                   WriteSet(w, m_setWorkStationOptionIDs) && WriteSet(w, m_setPersons) &&
                   w.Write(m_nShowTime) && w.Write(static_cast<std::int32_t>(m_bUsePolling)) &&
                   w.Write(m_nPollingTimeStart) && w.Write(m_nPollingTimeEnd) &&
                   WriteSet(w, m_setSignInRange) &&
                   w.Write(static_cast<std::int32_t>(m_bPasswordExpiration)) &&
                   w.Write(m_nExpirationDay) && w.Write(m_nRemindDay) &&
                   w.Write(m_dtModifyPassTime);
        });
}

int COperator::LoadRestData(CBufferReader& reader, int restArg) {
    auto fields = [this](CBufferReader& r, std::int32_t version) {
        using namespace restfields;
        // Strings are read into copies: a stored count of 0 keeps the current text.
        if (!r.Read(m_dtLastLogin) || !r.Read(m_dtExpireDate) || !r.Read(m_dtLastLogout) ||
            !r.Read(m_nOperatorWord) || !r.Read(m_nRefCount) || !r.ReadString(m_strPwd) ||
            !r.ReadString(m_strForcePwd) || !r.ReadString(m_strPwd2)) {
            return 0;
        }
        for (int i : kExtraOrder) {
            if (!r.ReadString(m_strExtra[i])) return 0;
        }
        if (!m_socialSecurity.LoadData(r)) return 0;
        if (version >= kOptionsVersion && !ReadSet(r, m_setWorkStationOptionIDs)) return 0;
        if (version >= kPersonsVersion && !ReadSet(r, m_setPersons)) return 0;
        if (version >= kPollingVersion) {
            std::int32_t usePolling = 0;
            if (!r.Read(m_nShowTime) || !r.Read(usePolling)) return 0;
            m_bUsePolling = usePolling;
            if (!r.Read(m_nPollingTimeStart) || !r.Read(m_nPollingTimeEnd) ||
                !ReadSet(r, m_setSignInRange)) {
                return 0;
            }
        }
        if (version >= kAgeingVersion) {
            std::int32_t ageing = 0;
            if (!r.Read(ageing)) return 0;
            m_bPasswordExpiration = ageing;
            if (!r.Read(m_nExpirationDay) || !r.Read(m_nRemindDay) || !r.Read(m_dtModifyPassTime)) {
                return 0;
            }
        }
        return 1;
    };
    auto base = [this, restArg](CBufferReader& r) {
        return CAccessObject::LoadRestData(r, restArg);
    };
    return restfields::LoadOwnOrBaseLevel(reader, base, kDataVersion, fields);
}
