// The process-wide object stores: server number -> class ID -> object ID -> object. The main
// store holds every live object; the LocalPoint and ThirdPartyPoint stores, of the same shape,
// serve the library's callers. No locks: callers serialise their calls. GDM_Find answers from a
// hash index kept beside the maps, and from the maps when the index has no entry. Objects
// filed through a mutable view (GDM_GetMap, GDM_GetObjMap, GDM_GetServerObjMap) are found at
// once (unless another server holds an indexed object of the same class and ID); an object taken
// out through a view kept from before the last GDM_Find may still be found while something else
// owns it, until a view is asked for again.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/Export.h"

class CNameObject;

using ObjectIDMap = std::map<std::uint32_t, std::shared_ptr<CNameObject>>;
using ObjectClassMap = std::map<std::uint32_t, ObjectIDMap>;
using ObjectServerMap = std::map<std::uint32_t, ObjectClassMap>;

// Files an object under (class ID, ID, server number); an ID already filed keeps its object
// and a debugger line reports the duplicate.
NAMEOBJECT_API void GDM_Add(std::uint32_t classID, std::uint32_t id, std::uint32_t serverNO,
                            std::shared_ptr<CNameObject> object);
NAMEOBJECT_API void GDM_AddLocalPoint(std::uint32_t classID, std::uint32_t id,
                                      std::uint32_t serverNO, std::shared_ptr<CNameObject> object);
NAMEOBJECT_API void GDM_AddThirdPartyPoint(std::uint32_t classID, std::uint32_t id,
                                           std::uint32_t serverNO,
                                           std::shared_ptr<CNameObject> object);

// Takes the entry out and returns its object (empty when not filed).
NAMEOBJECT_API std::shared_ptr<CNameObject> GDM_Remove(std::uint32_t classID, std::uint32_t id,
                                                       std::uint32_t serverNO);
NAMEOBJECT_API std::shared_ptr<CNameObject> GDM_RemoveLocalPoint(std::uint32_t classID,
                                                                 std::uint32_t id,
                                                                 std::uint32_t serverNO);
NAMEOBJECT_API std::shared_ptr<CNameObject> GDM_RemoveThirdPartyPoint(std::uint32_t classID,
                                                                      std::uint32_t id,
                                                                      std::uint32_t serverNO);

// Finds in the main store: the named server first, then every other server in ascending
// order. The two-argument form names the current server.
NAMEOBJECT_API std::shared_ptr<CNameObject> GDM_Find(std::uint32_t classID, std::uint32_t id,
                                                     std::uint32_t serverNO);
NAMEOBJECT_API std::shared_ptr<CNameObject> GDM_Find(std::uint32_t classID, std::uint32_t id);
NAMEOBJECT_API std::shared_ptr<CNameObject> FindObject(std::uint32_t classID, std::uint32_t id,
                                                       std::uint32_t serverNO);
NAMEOBJECT_API std::shared_ptr<CNameObject> FindObject(std::uint32_t classID, std::uint32_t id);

// Live views of the stores (entries created when missing, so never null).
NAMEOBJECT_API ObjectIDMap* GDM_GetMap(std::uint32_t classID, std::uint32_t serverNO);
NAMEOBJECT_API ObjectIDMap* GDM_GetLocalPointMap(std::uint32_t classID, std::uint32_t serverNO);
NAMEOBJECT_API ObjectIDMap* GDM_GetThirdPartyPointMap(std::uint32_t classID,
                                                      std::uint32_t serverNO);
// A copy of one ID map of the main store (empty when missing; nothing created).
NAMEOBJECT_API ObjectIDMap GDM_GetMapCopy(std::uint32_t classID, std::uint32_t serverNO);
NAMEOBJECT_API ObjectClassMap* GDM_GetObjMap(
    std::uint32_t serverNO);  // null when the server has no entry
NAMEOBJECT_API ObjectServerMap* GDM_GetServerObjMap();
// Read-only views that leave the find index as it is: one ID map of the main store (null when
// missing; nothing created), and the whole main store.
NAMEOBJECT_API const ObjectIDMap* GDM_FindMap(std::uint32_t classID, std::uint32_t serverNO);
NAMEOBJECT_API const ObjectServerMap& GDM_GetServers();
// The greatest server number under which anything was filed; 0 when the store is empty.
NAMEOBJECT_API std::uint32_t GDM_GetSysMaxClassID();
