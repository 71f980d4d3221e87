// The statics every built-in class shares: the current server's instance, the refusal to
// delete it, and filing it under a further class so that lookups by that class find it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/NameObject.h"
#include "core/ResultCodes.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

class CAccessObject;
class CContainer;
class COperatorGroup;
class CPrivilegeBase;

namespace builtin {

// The object with the lowest ID filed under T's class on the current server, as a T; empty
// when that map is empty or its first object is not a T.
template <class T>
std::shared_ptr<T> Instance() {
    const ObjectIDMap* map = GDM_FindMap(T::kClassID, GetCurrentServerNO());
    if (map == nullptr || map->empty()) return nullptr;
    const auto& first = map->begin()->second;
    if (!first || !first->IsKindOf(RUNTIME_CLASS(T))) return nullptr;
    return std::static_pointer_cast<T>(first);
}

// A server's own built-in objects cannot be deleted; those of other servers go by baseDelete.
inline std::int32_t Delete(const std::shared_ptr<CNameObject>& object,
                           std::int32_t (*baseDelete)(std::shared_ptr<CNameObject>)) {
    if (object && object->GetServerNO() == GetCurrentServerNO()) return E_BUILTIN_NOT_DELETABLE;
    return baseDelete(object);
}

inline void FileAlsoAs(std::uint32_t classID, const std::shared_ptr<CNameObject>& object) {
    GDM_Add(classID, object->GetID(), object->GetServerNO(), object);
}

// The built-in object of classID on the current server: `create` makes and inserts it. On a
// database several hosts share, hosts starting at once must not each create one: the check
// and the creation run under an advisory lock on the class, and a row that another host
// wrote since this one loaded is read and filed instead. Classes without a class record
// (their rows are not loaded at start-up) are created every time. Null when nothing could be
// had.
std::shared_ptr<CNameObject> CreateOnce(
    std::uint32_t classID, const std::function<std::shared_ptr<CNameObject>()>& create);

// The server object of this object's server (class 0, ID = server number), as a container.
std::shared_ptr<CContainer> ServerContainerOf(const CNameObject& object);
// Makes object a member of its server object when it is not one yet.
void JoinServerObject(const std::shared_ptr<CAccessObject>& object);

// Creates the privilege object of classID when instance is empty (granted set = the class's
// defaults from the database; CreateOnce), and files it under the privilege-object class as
// well. 0.
std::int32_t InitPrivilege(std::uint32_t classID, std::shared_ptr<CPrivilegeBase> instance,
                           std::shared_ptr<CNameObject> (*create)());
// Creates the group of classID on the current server when instance is empty (CreateOnce), and
// files it under the operator-group class as well. 0.
std::int32_t InitGroup(std::uint32_t classID, std::shared_ptr<COperatorGroup> instance,
                       std::shared_ptr<CNameObject> (*create)());
// A built-in group's relations: it joins its server object and, unless its grant map already
// has an entry for its server, holds the first privilege object of pairedClassID there.
void InitGroupRelation(COperatorGroup& group, std::uint32_t pairedClassID,
                       const CRuntimeClass* pairedClass);

}  // namespace builtin

// The statics of a built-in class, declared in its body.
#define NO_DECLARE_BUILTIN(cls)                \
public:                                        \
    static std::shared_ptr<cls> GetInstance(); \
    static std::int32_t InitObjectMap();       \
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);

// Defines the three members NO_DECLARE_BUILTIN declares for a built-in group or privilege
// object: `init` is builtin::InitGroup or builtin::InitPrivilege, `baseDelete` the base class's
// DeleteObject that a deletion other than of the singleton goes to.
#define NO_IMPLEMENT_BUILTIN(cls, init, baseDelete)                                         \
    std::shared_ptr<cls> cls::GetInstance() { return builtin::Instance<cls>(); }            \
    std::int32_t cls::InitObjectMap() { return init(kClassID, GetInstance(), &CreateObj); } \
    std::int32_t cls::DeleteObject(std::shared_ptr<CNameObject> object) {                   \
        return builtin::Delete(object, &baseDelete);                                        \
    }
