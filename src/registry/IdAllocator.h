// The local ID counters: object IDs and authorisation-record IDs in this server's slice of the
// ID space (ID & mask == server number), point IDs in 256 .. 0x7FFFFFFF, and the 64-bit alarm
// ID. Counters hold the last ID handed out; allocation is atomic. The counters are kept in the
// one-row ObjectID table.
#pragma once

#include <cstdint>

#include "platform/Export.h"

// Raise a counter to at least id. 0, E_ID_NOT_LOCAL or E_ALLOC_OBJECT_ID.
NAMEOBJECT_API std::int32_t SetLocalMaxObjectID(std::uint32_t id);
NAMEOBJECT_API std::int32_t SetLocalMaxPointID(std::uint32_t id);
NAMEOBJECT_API std::int32_t SetLocalMaxAuthorizationRecordID(std::uint32_t id);
// Hand out the next ID: 1 and *out, or 0 when the counter has overflowed.
NAMEOBJECT_API int GetLocalNextObjectID(std::uint32_t* out);
NAMEOBJECT_API int GetLocalNextPointID(std::uint32_t* out);
NAMEOBJECT_API int GetLocalNextAuthorizationRecordID(std::uint32_t* out);

NAMEOBJECT_API std::uint64_t GetNextLocalAlarmID();  // the next 64-bit alarm ID; never fails
NAMEOBJECT_API void InitLocalAlarmID(std::uint32_t low,
                                     std::uint32_t high);  // raises the alarm counter

// Reads the highest IDs in use and the ObjectID row and rewrites the row. 1 or 0.
NAMEOBJECT_API int InitLocalObjectID();
// Writes the counters to the ObjectID row: 1, or 0 when the row cannot be written. On a
// database several hosts share, the row already holds them and only the alarm counter is
// raised.
NAMEOBJECT_API int SaveObjectIDToDatabase();
// On a database several hosts share (PostgreSQL), object IDs are taken in blocks from the
// ObjectID row through a connection of the allocator's own, under the row's lock. Both calls
// above lock the row until the transaction they run in ends: a host that calls them inside a
// transaction of its own must not take IDs before it ends (the allocation would wait for that
// lock and fail after the lock timeout).

// A snapshot of the counters (for tools and tests).
struct LocalIdCounters {
    std::uint32_t nextObjectID, nextPointID, nextAuthorizationRecordID;
    bool objectOverflow, pointOverflow, authorizationRecordOverflow;
    std::uint64_t alarmID;
};
NAMEOBJECT_API LocalIdCounters GetLocalIdCounters();  // a consistent copy
