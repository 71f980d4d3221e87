// CChangeFeed: a host's view of the other hosts' committed writes. On a database that several
// hosts share (PostgreSQL) every write of the library announces itself (core/ChangeNotice.h);
// the feed listens on a connection of its own to the shared connection's database and turns
// each announcement into the same change in this process's object store: the object's row is
// read again and merged into the live object (its lazy sections, extension data and images,
// are dropped and reload through LoadDataFromDatabase), a new object is created and filed, a
// deleted one leaves its containers and the store, a membership is entered or taken out. Then
// the notify manager's after-event of the operation is fired, as after a local change (the
// before-events are not: a committed write of another host cannot be vetoed). Announcements
// this process sent itself are skipped: its store changed already.
//
// Single-threaded: Poll runs on the host's thread, like every other store operation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/ChangeNotice.h"
#include "platform/Export.h"
#include "platform/ResultCodes.h"

class CNameObject;
class CContainer;
struct pg_conn;

// Start: there is no feed for this connection (not connected, or an engine without one).
constexpr std::int32_t E_NO_CHANGE_FEED = NO_RESULT(0xA3E9232Cu);

// One applied change, as the observer sees it after the store was updated.
struct ChangeFeedEvent {
    ChangeNotice notice;
    std::shared_ptr<CNameObject> object;    // the object (a deleted one as it was); may be null
    std::shared_ptr<CContainer> container;  // the container of a membership change; may be null
};

class NAMEOBJECT_API CChangeFeed {
public:
    CChangeFeed();
    ~CChangeFeed();  // stops listening
    CChangeFeed(const CChangeFeed&) = delete;
    CChangeFeed& operator=(const CChangeFeed&) = delete;

    // Opens the listening connection to the shared connection's database and listens on the
    // feed channel. S_SUCCESS; E_NO_CHANGE_FEED without a connection or on SQLite;
    // E_DATABASE_OPERATION when the listening connection or LISTEN fails. GetLastError() then
    // says why. A second Start restarts.
    std::int32_t Start();
    void Stop();
    bool IsListening() const { return m_conn != nullptr; }

    // Waits up to timeoutMs (0: no wait) for announcements and applies every one that has
    // arrived. Returns the number of other hosts' announcements processed (this process's own
    // and malformed ones are skipped uncounted), E_NO_CHANGE_FEED when not listening, or
    // E_DATABASE_OPERATION when the listening connection broke (the feed then stops; Start
    // again to resume).
    std::int32_t Poll(int timeoutMs);

    // Called after each applied change (an empty function removes the observer).
    void SetObserver(std::function<void(const ChangeFeedEvent&)> observer) {
        m_observer = std::move(observer);
    }
    const std::string& GetLastError() const { return m_lastError; }

private:
    std::int32_t Fail(std::int32_t code, const std::string& message);
    // Reads what arrived on the socket and applies it; the count or a failure code.
    std::int32_t Drain();

    pg_conn* m_conn = nullptr;
    int m_ownBackendPid = 0;  // the shared connection's server process
    std::string m_lastError;
    std::function<void(const ChangeFeedEvent&)> m_observer;
};

// Applies one announcement to this process's store (see above); the event receives the objects
// involved. Returns 1 when it was applied, 0 when it concerns nothing this store can hold
// (a membership of objects not loaded here, the deletion of an object never loaded).
NAMEOBJECT_API int ApplyChangeNotice(const ChangeNotice& notice, ChangeFeedEvent& event);
