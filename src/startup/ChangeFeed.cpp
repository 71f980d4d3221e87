// The change feed's listening side: a libpq connection of its own that LISTENs on the feed
// channel, and the store changes each announcement turns into.
#include "startup/ChangeFeed.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "core/NameObjectRow.h"
#include "membership/Container.h"
#include "notify/ObjectNotifyManager.h"
#include "platform/Database.h"
#include "platform/StringFormat.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"
#include "startup/LoadedObject.h"

namespace {

constexpr std::uint32_t kRowSections =
    SECTION_BASIC_DATA | SECTION_EXT_ATTRIBUTE | SECTION_REST_DATA | SECTION_EXT_PROPERTY;

int Int(std::uint32_t v) { return static_cast<int>(v); }

// libpq takes the URI form as it is and the keyword form without its scheme.
std::string LibpqConnInfo(const std::string& connection) {
    const std::string keywordScheme = "postgresql:";
    if (connection.rfind("postgresql://", 0) == 0 || connection.rfind("postgres://", 0) == 0) {
        return connection;
    }
    if (connection.rfind(keywordScheme, 0) == 0) return connection.substr(keywordScheme.size());
    return connection;
}

std::shared_ptr<CNameObject> Find(const MJOBJECT_KEY& key) {
    return GDM_Find(key.nClassID, key.nID, key.nServerNO);
}

// The object's row as a new object, or null when the row is gone (or cannot be read).
std::shared_ptr<CNameObject> ReadStoredObject(const MJOBJECT_KEY& key, std::int32_t& version) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return nullptr;
    CADORecordset rs(db);
    const std::string sql = NameObjectRow::SelectAll() +
                            StrPrintf(" WHERE nClassID = %d AND nID = %d AND nServerNO = %d",
                                      Int(key.nClassID), Int(key.nID), Int(key.nServerNO));
    if (!rs.Open(sql) || rs.IsEOF()) return nullptr;
    NameObjectRow::ReadTimes times;
    return NameObjectRow::ReadObject(rs, version, times);
}

bool SameRestData(CNameObject& a, CNameObject& b) {
    CBufferWriter left, right;
    a.SaveRestData(left);
    b.SaveRestData(right);
    return left.GetLength() == right.GetLength() &&
           std::equal(left.GetData(), left.GetData() + left.GetLength(), right.GetData());
}

// Drops the extension data and images, which load on demand; extension data that was held is
// loaded again at once. Sets SECTION_EXT_DATA in changed when it differs.
void ReloadLazySections(CNameObject& o, std::uint32_t& changed) {
    const bool heldExtData = (o.GetObjectInitState() & SECTION_EXT_DATA) != 0;
    const auto before = o.CopyAllExtData();
    for (const auto& [name, value] : before) o.RemoveField(name);
    o.SetObjectInitState(o.GetObjectInitState() & ~static_cast<std::uint32_t>(SECTION_EXT_DATA));
    o.FreePhotoMemory(SECTION_OBJECT_IMAGE);
    if (heldExtData && o.LoadDataFromDatabase(SECTION_EXT_DATA) && o.GetAllExtData() != before) {
        changed |= SECTION_EXT_DATA;
    }
}

int ApplyDelete(const std::shared_ptr<CNameObject>& object) {
    if (auto member = std::dynamic_pointer_cast<CAccessObject>(object)) {
        const CAccessObject::ContainerList containers = member->GetContainers();
        for (const auto& container : containers) {
            if (container) container->RemoveObject(member, 0);
        }
    }
    if (auto container = std::dynamic_pointer_cast<CContainer>(object)) {
        const CContainer::MemberMap members = container->GetMemberObjects();
        for (const auto& [key, member] : members) {
            if (member) container->RemoveObject(member, 0);
        }
    }
    object->UpdateObjectRelated(RELATED_OP_DELETE, object, 0xFFFFFFFF,
                                object->GetObjectInitState());
    GDM_Remove(object->GetObjectClassID(), object->GetID(), object->GetServerNO());
    CObjectNotifyManager::GetInstance()->OnAfterObjectDelete(object);
    return 1;
}

// An insert or update: the row merged into the live object, or filed as a new one.
int ApplyRow(const MJOBJECT_KEY& key, ChangeFeedEvent& event) {
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    std::shared_ptr<CNameObject> live = Find(key);
    std::int32_t version = 0;
    std::shared_ptr<CNameObject> stored = ReadStoredObject(key, version);
    event.object = live ? live : stored;
    if (!stored) return live ? ApplyDelete(live) : 0;  // deleted since
    if (!live) {
        if (!FileLoadedObject(stored, version, GetCurrentServerNO())) return 0;
        stored->OnAfterObjectInsert();
        notify->OnAfterObjectInsert(stored, nullptr);
        return 1;
    }
    std::shared_ptr<CNameObject> before = live->Clone(kRowSections);  // images stay unread
    std::uint32_t changed = 0;
    live->OnObjectChange(stored, changed, kRowSections);
    if (!SameRestData(*live, *stored)) {  // class data the merge does not cover
        CBufferWriter rest;
        stored->SaveRestData(rest);
        CBufferReader reader(rest);
        if (live->LoadRestData(reader, 0)) changed |= SECTION_REST_DATA;
    }
    live->SetCreateTime(stored->GetCreateTime());
    live->SetModifyTime(stored->GetModifyTime());
    ReloadLazySections(*live, changed);
    notify->OnAfterObjectChange(before ? before : stored, live, SECTION_ALL, changed);
    return 1;
}

int ApplyMembership(const ChangeNotice& notice, ChangeFeedEvent& event) {
    auto container = std::dynamic_pointer_cast<CContainer>(Find(notice.container));
    auto member = std::dynamic_pointer_cast<CAccessObject>(Find(notice.object));
    event.object = member;
    event.container = container;
    if (!container || !member) return 0;
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    if (notice.operation == ChangeOperation::AddMember) {
        if (container->AddObject(member, 0) != 0) return 0;
        notify->OnAfterObjectAddToContainer(member, container);
    } else {
        container->RemoveObject(member, 0);
        notify->OnAfterObjectRemoveFromContainer(member, container);
    }
    return 1;
}

}  // namespace

int ApplyChangeNotice(const ChangeNotice& notice, ChangeFeedEvent& event) {
    event = ChangeFeedEvent{notice, nullptr, nullptr};
    switch (notice.operation) {
        case ChangeOperation::Insert:
        case ChangeOperation::Update:
            return ApplyRow(notice.object, event);
        case ChangeOperation::Delete:
            event.object = Find(notice.object);
            return event.object ? ApplyDelete(event.object) : 0;
        case ChangeOperation::AddMember:
        case ChangeOperation::RemoveMember:
            return ApplyMembership(notice, event);
    }
    return 0;
}

CChangeFeed::CChangeFeed() = default;

CChangeFeed::~CChangeFeed() { Stop(); }

std::int32_t CChangeFeed::Fail(std::int32_t code, const std::string& message) {
    m_lastError = message;
    Stop();
    return code;
}

std::int32_t CChangeFeed::Start() {
    Stop();
    m_lastError.clear();
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return Fail(E_NO_CHANGE_FEED, "no database is connected");
    if (db->GetEngine() != DatabaseEngine::PostgreSQL) {
        return Fail(E_NO_CHANGE_FEED,
                    "there is no change feed on SQLite: a feed needs a database that several "
                    "hosts share (postgresql://...)");
    }
    m_conn = PQconnectdb(LibpqConnInfo(db->GetConnectionString()).c_str());
    if (m_conn == nullptr || PQstatus(m_conn) != CONNECTION_OK) {
        return Fail(E_DATABASE_OPERATION, std::string("the listening connection failed: ") +
                                              (m_conn ? PQerrorMessage(m_conn) : "no memory"));
    }
    const std::string channel = ChangeFeedChannel(db);
    char* quoted = PQescapeIdentifier(m_conn, channel.c_str(), channel.size());
    PGresult* listen = quoted ? PQexec(m_conn, (std::string("LISTEN ") + quoted).c_str()) : nullptr;
    const bool listening = PQresultStatus(listen) == PGRES_COMMAND_OK;
    PQclear(listen);
    PQfreemem(quoted);
    if (!listening) {
        return Fail(E_DATABASE_OPERATION, std::string("LISTEN failed: ") + PQerrorMessage(m_conn));
    }
    // Announcements of the shared connection's server process are this process's own.
    CADORecordset rs(db);
    m_ownBackendPid = 0;
    if (rs.Open("SELECT pg_backend_pid()") && !rs.IsEOF()) rs.GetFieldValue(0, m_ownBackendPid);
    return S_SUCCESS;
}

void CChangeFeed::Stop() {
    if (m_conn != nullptr) PQfinish(m_conn);
    m_conn = nullptr;
}

std::int32_t CChangeFeed::Drain() {
    if (!PQconsumeInput(m_conn)) {
        return Fail(E_DATABASE_OPERATION,
                    std::string("the listening connection broke: ") + PQerrorMessage(m_conn));
    }
    std::int32_t processed = 0;
    while (PGnotify* note = PQnotifies(m_conn)) {
        ChangeNotice notice;
        const bool ours = m_ownBackendPid != 0 && note->be_pid == m_ownBackendPid;
        const bool parsed = note->extra != nullptr && ParseChangeNotice(note->extra, notice);
        PQfreemem(note);
        if (ours || !parsed) continue;
        ChangeFeedEvent event;
        ApplyChangeNotice(notice, event);
        ++processed;
        if (m_observer) m_observer(event);
    }
    return processed;
}

std::int32_t CChangeFeed::Poll(int timeoutMs) {
    if (m_conn == nullptr) {
        m_lastError = "the change feed is not started";
        return E_NO_CHANGE_FEED;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::int32_t processed = Drain();
        if (processed != 0) return processed;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return 0;
        pollfd fd{PQsocket(m_conn), POLLIN, 0};
        if (fd.fd < 0) return Fail(E_DATABASE_OPERATION, "the listening connection is closed");
        if (::poll(&fd, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
            return Fail(E_DATABASE_OPERATION, "waiting for the listening connection failed");
        }
    }
}
