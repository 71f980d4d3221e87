// The operation log: every entry goes to the installed sink, then into the OperationLog table.
#include "platform/OperationLog.h"

#include <mutex>
#include <string>
#include <utility>

#include "platform/Database.h"
#include "platform/LockedSink.h"
#include "platform/OleDateTime.h"
#include "platform/StringFormat.h"

namespace NS_LOG {
namespace {

using Sink = std::function<void(const LogEntry&)>;

// Never destroyed: entries may still be written while the process exits.
LockedSink<Sink>& State() {
    static auto* state = new LockedSink<Sink>;
    return *state;
}

Sink CurrentSink() { return State().Get(); }

// Integer columns hold 32-bit signed values: unsigned numbers are stored as their int32.
int AsInt32(std::uint32_t v) { return static_cast<std::int32_t>(v); }

}  // namespace

ADD_LOG_RETURN_VALUE AddLog(std::uint32_t operatorID, const CString& text, LOG_TYPE type,
                            std::uint32_t value, std::uint32_t classID, std::uint32_t objectID,
                            std::uint32_t serverNO) {
    if (const Sink sink = CurrentSink()) {
        sink(LogEntry{operatorID, text, type, value, classID, objectID, serverNO});
    }
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return ADD_LOG_NO_DATABASE;
    try {
        const std::string sql = StrPrintf(
            "INSERT INTO OperationLog (dtTime, nOperatorID, strText, nType, nValue, nClassID, "
            "nID, nServerNO) VALUES ('%s', %d, '%s', %d, %d, %d, %d, %d)",
            COleDateTime::GetCurrentTime().FormatIsoMs().c_str(), AsInt32(operatorID),
            SqlEscape(text).c_str(), AsInt32(type), AsInt32(value), AsInt32(classID),
            AsInt32(objectID), AsInt32(serverNO));
        return db->Execute(sql) ? ADD_LOG_SUCCESS : ADD_LOG_DATABASE_ERROR;
    } catch (const std::exception&) {
        return ADD_LOG_DATABASE_ERROR;
    }
}

void SetSink(std::function<void(const LogEntry&)> sink) { State().Set(std::move(sink)); }

}  // namespace NS_LOG
