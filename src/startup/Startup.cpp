// The start-up sequence after the class registry and the ID counters: every class's loader
// (shallow classes first), memberships from the Container table, relations, the finish
// callbacks; and the shutdown that releases every object.
#include "startup/Startup.h"

#include <chrono>
#include <map>

#include "membership/Container.h"
#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "registry/ClassRegistry.h"
#include "registry/ObjectStore.h"

namespace {

std::set<FINISH_NOTIFY_FUNC>& ObjectFinishCallbacks() {
    static std::set<FINISH_NOTIFY_FUNC> callbacks;
    return callbacks;
}

std::set<FINISH_NOTIFY_FUNC>& StartFinishCallbacks() {
    static std::set<FINISH_NOTIFY_FUNC> callbacks;
    return callbacks;
}

int CallAll(const std::set<FINISH_NOTIFY_FUNC>& callbacks) {
    for (FINISH_NOTIFY_FUNC callback : callbacks) {
        if (callback != nullptr) callback();
    }
    return 1;
}

// Calls fn on every non-null object of the main store, by server, class and ID. Walks the
// read-only view, so that the find index stays valid for the finds fn makes.
template <class Fn>
void ForEachStoredObject(Fn fn) {
    for (const auto& [serverNO, classes] : GDM_GetServers()) {
        for (const auto& [classID, objects] : classes) {
            for (const auto& [id, object] : objects) {
                if (object) fn(classID, object);
            }
        }
    }
}

}  // namespace

int InitAllObject() {
    // Loaders ordered by (depth below CNameObject, class ID); classes outside the tree have
    // depth -1 and load first.
    std::map<std::int64_t, OBJECT_CLASS_INFO*> byDepth;
    for (const auto& [classID, record] : GetRegisteredClasses()) {
        if (record == nullptr) return 0;
        if (record->pfnInitObjectMap == nullptr) continue;
        const auto gap = static_cast<std::int32_t>(GetClassGradeGap(classID, 1));
        byDepth.emplace(static_cast<std::int64_t>(gap) * (std::int64_t{1} << 32) + classID, record);
    }
    for (const auto& [key, record] : byDepth) record->pfnInitObjectMap();
    return 1;
}

int InitContainer(std::set<std::uint64_t>* missingContainers,
                  std::set<std::uint64_t>* missingMembers) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return 0;

    int count = 0;
    {
        CADORecordset rs(db);
        if (rs.Open("select count(*) as NUMBER_Count from [Container]", 3)) {
            if (!rs.IsEOF()) rs.GetFieldValue(0, count);
            rs.Close();
        }
    }
    if (count == 0) return 1;

    OutputDebugStringW(CString::Formatted("Init form [Container] Table Count = %d \n", count));
    const auto start = std::chrono::steady_clock::now();

    CADORecordset rs(db);
    if (!rs.Open("SELECT * FROM [Container] ", 0)) return 0;
    // The columns by name, resolved once for the whole pass.
    static const char* const kColumns[] = {"nSubObjectID",       "nSubClassID",
                                           "nContainerClassID",  "nContainerID",
                                           "nSubObjectServerNO", "nContainerServerNO"};
    int column[6];
    for (int c = 0; c < 6; ++c) column[c] = rs.GetFieldIndex(kColumns[c]);
    while (!rs.IsEOF()) {
        unsigned int memberID = 0, memberClassID = 0, containerClassID = 0, containerID = 0;
        unsigned int memberServerNO = 0, containerServerNO = 0;
        rs.GetFieldValue(column[0], memberID);
        rs.GetFieldValue(column[1], memberClassID);
        rs.GetFieldValue(column[2], containerClassID);
        rs.GetFieldValue(column[3], containerID);
        rs.GetFieldValue(column[4], memberServerNO);
        rs.GetFieldValue(column[5], containerServerNO);

        auto container = std::dynamic_pointer_cast<CContainer>(
            GDM_Find(containerClassID, containerID, containerServerNO));
        auto member = std::dynamic_pointer_cast<CAccessObject>(
            GDM_Find(memberClassID, memberID, memberServerNO));
        if (container && member) {
            container->AddObject(member, 0);
        } else {
            if (missingContainers != nullptr && !container) {
                missingContainers->insert(MakeClassIDAndIDKey(containerClassID, containerID));
            }
            if (missingMembers != nullptr && !member) {
                missingMembers->insert(MakeClassIDAndIDKey(memberClassID, memberID));
            }
        }
        rs.MoveNext();
    }
    rs.Close();

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    OutputDebugStringW(CString::Formatted("Time ellapsed: %f, count = %d \n", seconds, count));
    return 1;
}

int InitAllObjectRelation() {
    ForEachStoredObject([](std::uint32_t classID, const std::shared_ptr<CNameObject>& object) {
        // Only objects filed under their own class (not the extra entries some classes add).
        if (object->GetObjectClassID() == classID) object->InitObjectRelation();
    });
    return 1;
}

void RegisterObjectFinishNotify(FINISH_NOTIFY_FUNC callback) {
    ObjectFinishCallbacks().insert(callback);
}

void RegisterStartFinishNotify(FINISH_NOTIFY_FUNC callback) {
    StartFinishCallbacks().insert(callback);
}

int InitObjectFinishNotify() { return CallAll(ObjectFinishCallbacks()); }

int InitStartFinishNotify() { return CallAll(StartFinishCallbacks()); }

int DestroyAllObject() {
    ForEachStoredObject(
        [](std::uint32_t, const std::shared_ptr<CNameObject>& object) { object->FinalRelease(); });
    GDM_GetServerObjMap()->clear();
    return 1;
}
