// The host's start-up sequence and shutdown:
//   InitAllClassInfo (ClassRegistry.h), InitLocalObjectID (IdAllocator.h), InitAllObject,
//   InitContainer, InitAllObjectRelation, InitObjectFinishNotify, InitStartFinishNotify;
//   at the end DestroyAllObject.
#pragma once

#include <cstdint>
#include <set>

#include "platform/Export.h"

using FINISH_NOTIFY_FUNC = std::int32_t (*)();

// Runs every class's loader, shallow classes first. 1, or 0 when a class record is null.
NAMEOBJECT_API int InitAllObject();
// Rebuilds memberships from the Container table (in memory only). Keys (class ID << 32 | ID)
// of containers and members that are not loaded go into the given sets (either may be null).
// 1 on success or an empty table, 0 without a database or when the table cannot be read.
NAMEOBJECT_API int InitContainer(std::set<std::uint64_t>* missingContainers,
                                 std::set<std::uint64_t>* missingMembers);
// Lets every loaded object resolve its relations. 1.
NAMEOBJECT_API int InitAllObjectRelation();

// Add a callback to the set run by InitObjectFinishNotify / InitStartFinishNotify (a callback
// given twice is kept once).
NAMEOBJECT_API void RegisterObjectFinishNotify(FINISH_NOTIFY_FUNC callback);
NAMEOBJECT_API void RegisterStartFinishNotify(FINISH_NOTIFY_FUNC callback);
NAMEOBJECT_API int
InitObjectFinishNotify();  // calls every registered callback once, in set order; 1
NAMEOBJECT_API int InitStartFinishNotify();  // likewise; 1

// Calls FinalRelease on every object of the main store, then clears it. 1.
NAMEOBJECT_API int DestroyAllObject();
