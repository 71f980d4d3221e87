// The installation's operation log. Each entry is stored in the OperationLog table of the
// installation database; a host or test may install a sink that sees every entry as well.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/CString.h"
#include "platform/Export.h"

namespace NS_LOG {

using LOG_TYPE = std::uint32_t;

enum ADD_LOG_RETURN_VALUE : std::int32_t {
    ADD_LOG_SUCCESS = 0,
    ADD_LOG_NO_DATABASE = 1,
    ADD_LOG_DATABASE_ERROR = 2,
};

struct LogEntry {
    std::uint32_t operatorID;
    CString text;
    LOG_TYPE type;
    std::uint32_t value;
    std::uint32_t classID;
    std::uint32_t objectID;
    std::uint32_t serverNO;
};

// Writes one operation-log entry (and hands it to the sink): ADD_LOG_SUCCESS,
// ADD_LOG_NO_DATABASE without a connection, ADD_LOG_DATABASE_ERROR when the row cannot be written.
NAMEOBJECT_API ADD_LOG_RETURN_VALUE AddLog(std::uint32_t operatorID, const CString& text,
                                           LOG_TYPE type, std::uint32_t value,
                                           std::uint32_t classID, std::uint32_t objectID,
                                           std::uint32_t serverNO);

NAMEOBJECT_API void SetSink(std::function<void(const LogEntry&)> sink);  // empty: none

}  // namespace NS_LOG
