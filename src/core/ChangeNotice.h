// The change feed's message: which committed write touched which object. Every write path of
// the library (insert, row updates, delete, membership add and remove) announces itself with
// AnnounceChange inside its own transaction, so the engine delivers the message at commit and
// drops it on rollback. Hosts listen through CChangeFeed (startup/ChangeFeed.h).
//
// Payload text: "<operation> <classID> <id> <serverNO>", and for a membership change the
// container's key after it: "add 501 16777496 16777216 59 16777493 16777216". Numbers are
// unsigned decimal.
#pragma once

#include <cstdint>
#include <string>

#include "core/ObjectKey.h"
#include "platform/Export.h"

class CADODatabase;

// The channel of an installation: "nameobject" in the database's public schema, else
// "nameobject.<schema>" (cut to the engine's 63-byte limit), so that installations kept in
// different schemas of one database do not hear each other. Empty without a connection or
// on an engine without a feed. Asked of the engine once per connection.
NAMEOBJECT_API std::string ChangeFeedChannel(CADODatabase* db);

enum class ChangeOperation : std::uint8_t { Insert, Update, Delete, AddMember, RemoveMember };

struct ChangeNotice {
    ChangeOperation operation = ChangeOperation::Update;
    MJOBJECT_KEY object;     // the written object; the member of a membership change
    MJOBJECT_KEY container;  // the container of a membership change, else unset
};

// "insert", "update", "delete", "add", "remove".
NAMEOBJECT_API const char* ChangeOperationName(ChangeOperation operation);
NAMEOBJECT_API std::string FormatChangeNotice(const ChangeNotice& notice);
// Parses a payload; false (out unchanged) for anything that is not exactly the form above.
NAMEOBJECT_API bool ParseChangeNotice(const std::string& payload, ChangeNotice& out);

// Sends the notice on the feed channel through db. Does nothing on an engine without a feed or
// without a connection. Call it after the write succeeded, before the write's unit commits.
NAMEOBJECT_API void AnnounceChange(CADODatabase* db, ChangeOperation operation,
                                   const MJOBJECT_KEY& object,
                                   const MJOBJECT_KEY& container = MJOBJECT_KEY());
