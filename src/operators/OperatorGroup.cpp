#include "operators/OperatorGroup.h"

#include <algorithm>
#include <atomic>
#include <typeinfo>

#include "operators/OndutyGroupMJ.h"
#include "operators/Operator.h"
#include "operators/PrivilegeBase.h"
#include "operators/PrivilegeLock.h"
#include "operators/PrivilegeObject.h"
#include "operators/RestFields.h"
#include "operators/ServiceGroupMJ.h"
#include "operators/SysManagerGroupMJ.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

NO_IMPLEMENT_OBJECT_CLASS(COperatorGroup, CContainer)

namespace {
std::atomic<std::uint64_t> g_nextPrivilegeStamp{1};
}

COperatorGroup::COperatorGroup() : m_nPrivilegeStamp(g_nextPrivilegeStamp++) {
    m_nClassID = kClassID;
}

COperatorGroup::~COperatorGroup() = default;

std::shared_ptr<COperatorGroup> COperatorGroup::Cast(const std::shared_ptr<CNameObject>& object) {
    if (!object || !object->IsKindOf(RUNTIME_CLASS(COperatorGroup))) return nullptr;
    return std::static_pointer_cast<COperatorGroup>(object);
}

// ---- privilege search -----------------------------------------------------------------

int COperatorGroup::CheckPrivilege(std::uint32_t classID, std::uint32_t objectID, int lock,
                                   std::uint32_t privilegeClassID, std::uint32_t privilegeID,
                                   std::uint32_t* foundID) {
    const std::uint64_t objectKey = ::MakeClassIDAndIDKey(classID, objectID);
    const std::uint64_t privilegeKey =
        CPrivilegeBase::MakePrivilegeKey(privilegeClassID, privilegeID);
    const PrivilegeMap& map = lock ? m_mapPrivilegeLock : m_mapPrivilegeObject;
    const std::uint32_t holderClass = lock ? CPrivilegeLock::kClassID : CPrivilegeObject::kClassID;
    for (const auto& [server, inner] : map) {
        auto it = inner.find(objectKey);
        if (it == inner.end()) continue;
        auto holder = CPrivilegeBase::Cast(FindObject(holderClass, it->second, m_nServerNO));
        if (holder && holder->Grants(privilegeKey)) {
            if (foundID) *foundID = it->second;
            return 1;
        }
    }
    return 0;
}

int COperatorGroup::FindPrivilege(const std::shared_ptr<CAccessObject>& object, int lock,
                                  std::uint32_t privilegeClassID, std::uint32_t privilegeID,
                                  Match* match) {
    if (!object) return 0;
    if (match) match->chain.push_back(object);
    std::uint32_t* foundID = match ? &match->privilegeObjectID : nullptr;
    if (CheckPrivilege(object->GetObjectClassID(), object->GetID(), lock, privilegeClassID,
                       privilegeID, foundID)) {
        return 1;
    }
    int found = 0;
    const auto& containers = object->GetContainers();
    if (containers.empty()) {
        // An object outside every container falls under the server object, except the server
        // object itself and objects of class 0.
        const std::uint32_t serverID = GetCurrentServerID();
        if (object->GetID() != serverID && object->GetObjectClassID() != 0) {
            auto server = FindObject(0, serverID);
            std::shared_ptr<CAccessObject> top;
            if (server && server->IsKindOf(RUNTIME_CLASS(CAccessObject))) {
                top = std::static_pointer_cast<CAccessObject>(server);
            }
            found = FindPrivilege(top, lock, privilegeClassID, privilegeID, match);
        }
    } else {
        for (const auto& container : containers) {
            if (FindPrivilege(container, lock, privilegeClassID, privilegeID, match)) {
                found = 1;
                break;
            }
        }
    }
    if (!found && match) match->chain.pop_back();
    return found;
}

void COperatorGroup::PrivilegeScope(const std::shared_ptr<CAccessObject>& object,
                                    std::vector<std::uint64_t>& keys) {
    keys.clear();
    if (!object) return;
    thread_local std::vector<const CAccessObject*> seen;  // kept to spare an allocation per call
    seen.assign(1, object.get());
    std::shared_ptr<CAccessObject> server;  // looked up once, when an object needs it
    bool serverAsked = false;
    for (std::size_t next = 0; next < seen.size(); ++next) {
        const CAccessObject* at = seen[next];
        keys.push_back(::MakeClassIDAndIDKey(at->GetObjectClassID(), at->GetID()));
        auto visit = [](const CAccessObject* above) {
            if (above != nullptr && std::find(seen.begin(), seen.end(), above) == seen.end())
                seen.push_back(above);
        };
        const auto& containers = at->GetContainers();
        for (const auto& container : containers) visit(container.get());
        if (!containers.empty()) continue;
        const std::uint32_t serverID = GetCurrentServerID();
        if (at->GetID() == serverID || at->GetObjectClassID() == 0) continue;
        if (!serverAsked) {
            serverAsked = true;
            auto found = FindObject(0, serverID);
            if (found && found->IsKindOf(RUNTIME_CLASS(CAccessObject)))
                server = std::static_pointer_cast<CAccessObject>(found);
        }
        visit(server.get());
    }
}

void COperatorGroup::MapsChanged() { m_nPrivilegeStamp = g_nextPrivilegeStamp++; }

bool COperatorGroup::SearchesByIndex() const {
    const std::type_info& type = typeid(*this);
    return type == typeid(COperatorGroup) || type == typeid(CSysManagerGroupMJ) ||
           type == typeid(CServiceGroupMJ) || type == typeid(COndutyGroupMJ);
}

int COperatorGroup::JudgePrivilege(std::shared_ptr<CAccessObject> object, int lock,
                                   std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    return FindPrivilege(object, lock, privilegeClassID, privilegeID, nullptr);
}

int COperatorGroup::HasPrivilegeObject(std::shared_ptr<CAccessObject> object,
                                       std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    return JudgePrivilege(std::move(object), 0, privilegeClassID, privilegeID);
}

int COperatorGroup::HasPrivilegeLock(std::shared_ptr<CAccessObject> object,
                                     std::uint32_t privilegeClassID, std::uint32_t privilegeID) {
    return JudgePrivilege(std::move(object), 1, privilegeClassID, privilegeID);
}

// ---- membership and change ----------------------------------------------------------

std::int32_t COperatorGroup::AddObject(std::shared_ptr<CAccessObject> member, int write) {
    if (!member || !member->IsKindOf(RUNTIME_CLASS(COperator))) return E_WRONG_OBJECT_CLASS;
    return CContainer::AddObject(std::move(member), write);
}

std::int32_t COperatorGroup::OnObjectChange(std::shared_ptr<CNameObject> other,
                                            std::uint32_t& changed, std::uint32_t sections) {
    const std::int32_t result = CAccessObject::OnObjectChange(other, changed, sections);
    if (result < 0 || (sections & SECTION_REST_DATA) == 0) return result;
    auto from = Cast(other);
    if (!from) return result;
    if (from->m_mapPrivilegeObject != m_mapPrivilegeObject) {
        m_mapPrivilegeObject = from->m_mapPrivilegeObject;
        MapsChanged();
        changed |= SECTION_REST_DATA;
    }
    if (from->m_mapPrivilegeLock != m_mapPrivilegeLock) {
        m_mapPrivilegeLock = from->m_mapPrivilegeLock;
        MapsChanged();
        changed |= SECTION_REST_DATA;
    }
    return result;
}

std::int32_t COperatorGroup::DeleteObject(std::shared_ptr<CNameObject> object) {
    return CContainer::DeleteObject(std::move(object));
}

std::int32_t COperatorGroup::InitObjectMap() { return 0; }

// ---- rest data ----------------------------------------------------------------------

int COperatorGroup::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(
        writer, [this](CBufferWriter& w) { return CContainer::SaveRestData(w); }, kDataVersion,
        [this](CBufferWriter& w) {
            return restfields::WritePrivilegeMap(w, m_mapPrivilegeObject) &&
                   restfields::WritePrivilegeMap(w, m_mapPrivilegeLock);
        });
}

int COperatorGroup::LoadRestData(CBufferReader& reader, int restArg) {
    MapsChanged();
    return restfields::LoadOwnOrBaseLevel(
        reader, [this, restArg](CBufferReader& r) { return CContainer::LoadRestData(r, restArg); },
        kDataVersion,
        [this](CBufferReader& r, std::int32_t) {
            return restfields::ReadPrivilegeMap(r, m_mapPrivilegeObject) &&
                   restfields::ReadPrivilegeMap(r, m_mapPrivilegeLock);
        });
}
