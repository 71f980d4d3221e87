// Several hosts on one database: a server process writes, this process (a client, server mode
// off) follows through the change feed (PostgreSQL) or by applying the same notices itself
// (SQLite, which has no feed); ID counters stay unique when two hosts allocate at once.
#include <sys/wait.h>
#include <unistd.h>

#include "support/Test.h"

namespace {

using Clock = std::chrono::steady_clock;

// ---- the notice text ----------------------------------------------------------------------

TEST(ChangeNoticeText, FormatsParsesAndRefusesMalformedPayloads) {
    for (const char* good :
         {"add 501 16777496 16777216 59 4294967294 0", "delete 62 1 2", "remove 2 3 4 3 5 6"}) {
        ChangeNotice notice;
        ASSERT_TRUE(ParseChangeNotice(good, notice)) << good;
        EXPECT_EQ(good, FormatChangeNotice(notice));
    }
    for (const char* bad :
         {"", "update", "update 1 2", "update 1 2 3 4", "add 1 2 3", "add 1 2 3 4 5", "bogus 1 2 3",
          "update -1 2 3", "update 4294967296 1 1", "update 1  2 3", "update 1 2 3 ",
          "Update 1 2 3", "update 0x1 2 3", "update 01 2 3", "update 1 2 3\n"}) {
        ChangeNotice out{ChangeOperation::Insert, {7, 7, 7}, {}};
        EXPECT_FALSE(ParseChangeNotice(bad, out)) << '"' << bad << '"';
        EXPECT_EQ(MJOBJECT_KEY(7, 7, 7), out.object) << "a refused payload changed the output";
    }
}

// ---- two hosts ----------------------------------------------------------------------------

// Runs the host's start-up sequence on the database; true when every step succeeded.
bool StartHost(const std::string& url, const std::string& dir, bool server) {
    SetIsServerMode(server);
    return ConnectDatabase(url) && InitAllClassInfo(CString::FromUtf8(dir + "/")) == 1 &&
           InitLocalObjectID() == 1 && InitAllObject() == 1 &&
           InitContainer(nullptr, nullptr) == 1 && InitAllObjectRelation() == 1;
}

// Another host: a process forked before this one connects anything. It runs the steps it is
// told to, one at a time, and answers each with the step's result.
class HostProcess {
public:
    using Step = std::function<std::uint32_t()>;
    explicit HostProcess(std::vector<Step> steps) {
        if (pipe(m_to) != 0 || pipe(m_from) != 0) return;
        m_pid = fork();
        close(m_pid == 0 ? m_to[1] : m_to[0]);
        close(m_pid == 0 ? m_from[0] : m_from[1]);
        if (m_pid != 0) return;
        std::uint32_t index = 0;
        while (read(m_to[0], &index, sizeof index) == sizeof index && index < steps.size()) {
            const std::uint32_t answer = steps[index]();
            if (write(m_from[1], &answer, sizeof answer) != sizeof answer) break;
        }
        _exit(0);
    }
    ~HostProcess() {
        close(m_to[1]);
        close(m_from[0]);
        if (m_pid > 0) waitpid(m_pid, nullptr, 0);
    }
    std::uint32_t Run(std::uint32_t step) {
        std::uint32_t answer = 0;
        if (write(m_to[1], &step, sizeof step) != sizeof step ||
            read(m_from[0], &answer, sizeof answer) != sizeof answer) {
            ADD_FAILURE() << "the other host did not answer step " << step;
        }
        return answer;
    }

private:
    int m_to[2] = {-1, -1}, m_from[2] = {-1, -1};
    pid_t m_pid = -1;
};

// Tells both hosts to run a step before either answers; their answers.
std::pair<std::uint32_t, std::uint32_t> RunTogether(HostProcess& a, HostProcess& b,
                                                    std::uint32_t step) {
    std::uint32_t first = 0;
    std::thread other([&] { first = a.Run(step); });
    const std::uint32_t second = b.Run(step);
    other.join();
    return {first, second};
}

// The installation's database: an SQLite file, or in the PostgreSQL run a schema of its own on
// the test server, which has a feed.
class TwoHosts : public ::testing::Test {
protected:
    TestInstallation inst;
    CChangeFeed listener;
    static bool feed() { return TestInstallation::OnPostgres(); }

    // Applies what one step of the other host announced: through the feed, or (SQLite) by
    // hand.
    void Follow(const ChangeNotice& expected) {
        if (!feed()) {
            ChangeFeedEvent event;
            EXPECT_EQ(1, ApplyChangeNotice(expected, event));
            return;
        }
        const Clock::time_point committed = Clock::now();
        std::int32_t processed = 0;
        while (processed == 0 && Clock::now() - committed < std::chrono::seconds(1)) {
            processed = listener.Poll(100);
            ASSERT_GE(processed, 0) << listener.GetLastError();
        }
        EXPECT_EQ(1, processed) << "nothing arrived within a second of "
                                << FormatChangeNotice(expected);
    }
};

// The server's writes, step by step; each answers the object ID it wrote (0 on failure).
std::vector<HostProcess::Step> ServerSteps(const std::string& url, const std::string& dir) {
    auto group = std::make_shared<std::shared_ptr<CContainer>>();
    auto door = std::make_shared<std::shared_ptr<CAccessObject>>();
    auto ok = [](std::int32_t rc, const std::shared_ptr<CNameObject>& o) {
        return rc == 0 ? o->GetID() : 0u;
    };
    return {
        [=] { return StartHost(url, dir, true) ? 1u : 0u; },
        [=] {  // a rolled-back insert announces nothing; then the committed one
            GetDatabase()->BeginTransaction();
            auto ghost = std::static_pointer_cast<CContainer>(CContainer::CreateObj());
            ghost->SetFullName(u"Ghost");
            CNameObject::InsertObject(ghost);
            GetDatabase()->RollbackTransaction();
            GDM_Remove(ghost->GetObjectClassID(), ghost->GetID(), ghost->GetServerNO());
            *group = std::static_pointer_cast<CContainer>(CContainer::CreateObj());
            (*group)->SetFullName(u"Group");
            return ok(CNameObject::InsertObject(*group), *group);
        },
        [=] {
            *door = std::static_pointer_cast<CAccessObject>(CAccessObject::CreateObj());
            (*door)->SetFullName(u"Door");
            (*door)->ExtData_Set(u"Floor", u"1");
            return ok(CNameObject::InsertObject(*door), *door);
        },
        [=] { return ok((*group)->AddObject(*door, 1), *door); },
        [=] {
            (*door)->SetFullName(u"Front door");
            (*door)->ExtData_Set(u"Floor", u"2");
            return ok((*door)->UpdateRecord(), *door);
        },
        [=] { return ok((*group)->RemoveObject(*door, 1), *door); },
        [=] { return ok(DeleteObject(*door), *door); },
    };
}

TEST_F(TwoHosts, TheClientFollowsTheServersInsertUpdateMembershipAndDelete) {
    const std::string url = inst.dbPath();
    HostProcess server(ServerSteps(url, inst.dir()));
    ASSERT_EQ(1u, server.Run(0)) << "the server host did not start";
    ASSERT_TRUE(StartHost(url, inst.dir(), false));
    NotifyLog events;
    NotifyRecorder recorder("client", events);
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    notify->RegisterObjectChangeNotify(1, &recorder);
    notify->RegisterObjectInsertNotify(1, &recorder);
    notify->RegisterObjectDeleteNotify(1, &recorder);
    notify->RegisterObjectAddToContainerNotify(1, &recorder);
    notify->RegisterObjectRemoveFromContainerNotify(1, &recorder);

    if (feed()) {
        ASSERT_EQ(S_SUCCESS, listener.Start()) << listener.GetLastError();
    }
    const std::uint32_t serverNO = GetCurrentServerNO();
    auto follow = [this](const ChangeNotice& expected) { Follow(expected); };

    const std::uint32_t groupID = server.Run(1);
    ASSERT_NE(0u, groupID);
    const MJOBJECT_KEY group(3, groupID, serverNO);
    follow({ChangeOperation::Insert, group, {}});
    auto localGroup = std::dynamic_pointer_cast<CContainer>(GDM_Find(3, groupID, serverNO));
    ASSERT_TRUE(localGroup) << "the inserted container was not filed here";
    EXPECT_EQ(u"Group", localGroup->GetFullName());

    const std::uint32_t doorID = server.Run(2);
    ASSERT_NE(0u, doorID);
    const MJOBJECT_KEY door(2, doorID, serverNO);
    follow({ChangeOperation::Insert, door, {}});
    auto localDoor = GDM_Find(2, doorID, serverNO);
    ASSERT_TRUE(localDoor);
    ASSERT_EQ(1, localDoor->LoadDataFromDatabase(SECTION_EXT_DATA));
    CString floor;
    EXPECT_TRUE(localDoor->ExtData_Get(u"Floor", floor) && floor == u"1");

    ASSERT_EQ(doorID, server.Run(3));
    follow({ChangeOperation::AddMember, door, group});
    EXPECT_TRUE(localGroup->GetObjectW(2, doorID, serverNO)) << "the membership did not arrive";

    ASSERT_EQ(doorID, server.Run(4));
    follow({ChangeOperation::Update, door, {}});
    EXPECT_EQ(localDoor, GDM_Find(2, doorID, serverNO)) << "an update replaced the live object";
    EXPECT_EQ(u"Front door", localDoor->GetFullName());
    ASSERT_EQ(1, localDoor->LoadDataFromDatabase(SECTION_EXT_DATA));
    EXPECT_TRUE(localDoor->ExtData_Get(u"Floor", floor) && floor == u"2") << floor.ToUtf8();

    ASSERT_EQ(doorID, server.Run(5));
    follow({ChangeOperation::RemoveMember, door, group});
    EXPECT_FALSE(localGroup->GetObjectW(2, doorID, serverNO));

    ASSERT_EQ(doorID, server.Run(6));
    follow({ChangeOperation::Delete, door, {}});
    EXPECT_FALSE(GDM_Find(2, doorID, serverNO));
    if (feed()) {
        EXPECT_EQ(0, listener.Poll(200)) << "an announcement too many";
    }

    // After-events only, as after local changes: the update changed the name and the extension
    // data (sections 0x01 | 0x02).
    const NotifyLog expected = {"client:AfterInsert", "client:AfterInsert",
                                "client:AfterAdd",    "client:AfterChange/63/3",
                                "client:AfterRemove", "client:AfterDelete"};
    EXPECT_EQ(expected, events);
    DestroyAllObject();
}

// Start says whether the connection has a feed (SQLite: no, and why).
TEST_F(TwoHosts, StartReportsWhetherThereIsAFeed) {
    EXPECT_EQ(E_NO_CHANGE_FEED, listener.Start()) << "not connected";
    EXPECT_EQ(E_NO_CHANGE_FEED, listener.Poll(0));
    ASSERT_TRUE(ConnectDatabase(inst.dbPath()));
    const std::int32_t started = listener.Start();
    EXPECT_EQ(feed() ? S_SUCCESS : E_NO_CHANGE_FEED, started) << listener.GetLastError();
    EXPECT_EQ(feed(), listener.IsListening());
    if (!feed()) {
        EXPECT_NE(std::string::npos, listener.GetLastError().find("SQLite"));
    }
    // The process's own write is in its store already: its announcement is skipped.
    ASSERT_EQ(1, InitAllClassInfo(CString::FromUtf8(inst.dir() + "/")));
    ASSERT_EQ(1, InitLocalObjectID());
    ASSERT_EQ(S_SUCCESS, CNameObject::InsertObject(CContainer::CreateObj()));
    EXPECT_EQ(feed() ? 0 : E_NO_CHANGE_FEED, listener.Poll(300));
}

// Two hosts take 10,000 object IDs each at the same time; no ID is handed out twice.
TEST_F(TwoHosts, TwoHostsAllocatingAtOnceNeverShareAnID) {
    if (!feed()) GTEST_SKIP() << "an SQLite installation has one host";
    constexpr int kIDs = 10000;
    const std::string url = inst.dbPath();
    {
        HostProcess setup({[&] { return StartHost(url, inst.dir(), true) ? 1u : 0u; }});
        ASSERT_EQ(1u, setup.Run(0));
    }
    auto allocate = [&](int host) -> HostProcess::Step {
        return [&, host] {
            if (!StartHost(url, inst.dir(), true)) return 0u;
            std::ofstream out(inst.dir() + "/ids" + std::to_string(host));
            for (std::uint32_t i = 0, id = 0; i < kIDs; ++i) {
                if (!GetLocalNextObjectID(&id)) return 0u;
                out << id << '\n';
            }
            return 1u;
        };
    };
    HostProcess first({allocate(1)}), second({allocate(2)});
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(std::make_pair(1u, 1u), RunTogether(first, second, 0));
    std::set<std::uint32_t> ids;
    int read = 0;
    for (int host : {1, 2}) {
        std::ifstream in(inst.dir() + "/ids" + std::to_string(host));
        for (std::uint32_t id = 0; in >> id; ++read) ids.insert(id);
    }
    EXPECT_EQ(2 * kIDs, read);
    EXPECT_EQ(0u, read - ids.size()) << "IDs handed out twice";
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
}

// Two hosts starting at once on an empty installation create each built-in object once, and
// both hold that one.
TEST_F(TwoHosts, HostsStartingAtOnceCreateTheBuiltinsOnce) {
    if (!feed()) GTEST_SKIP() << "an SQLite installation has one host";
    const std::string url = inst.dbPath();
    const std::uint32_t builtins[] = {853, 854, 1201, 1301, 1302};
    auto host = [&] {
        std::vector<HostProcess::Step> steps = {
            [&] {
                SetIsServerMode(true);
                return ConnectDatabase(url) &&
                               InitAllClassInfo(CString::FromUtf8(inst.dir() + "/")) == 1 &&
                               InitLocalObjectID() == 1
                           ? 1u
                           : 0u;
            },
            [] { return static_cast<std::uint32_t>(InitAllObject()); }};
        for (std::uint32_t classID : builtins) {
            steps.push_back([classID] {
                const ObjectIDMap* map = GDM_FindMap(classID, GetCurrentServerNO());
                return map && map->size() == 1 ? map->begin()->first : 0u;
            });
        }
        return steps;
    };
    HostProcess first(host()), second(host());
    ASSERT_EQ(std::make_pair(1u, 1u), RunTogether(first, second, 0));
    ASSERT_EQ(std::make_pair(1u, 1u), RunTogether(first, second, 1));
    ASSERT_TRUE(ConnectDatabase(url));
    for (std::uint32_t i = 0; i < std::size(builtins); ++i) {
        SCOPED_TRACE(builtins[i]);
        const std::uint32_t id = first.Run(i + 2);
        EXPECT_NE(0u, id);
        EXPECT_EQ(id, second.Run(i + 2));
        EXPECT_EQ(1, QueryInt("SELECT count(*) FROM NameObject WHERE nClassID = " +
                              std::to_string(builtins[i])));
    }
}

// An area link is a row update of the access object: the client's object and area follow it.
TEST_F(TwoHosts, TheClientFollowsAnAreaLink) {
    const std::string url = inst.dbPath();
    auto area = std::make_shared<std::shared_ptr<CArea>>();
    auto door = std::make_shared<std::shared_ptr<CAccessObject>>();
    auto link = [door, area](bool add) {  // as a host changes an object: merge, then rewrite
        auto copy = std::static_pointer_cast<CAccessObject>((*door)->Clone(SECTION_WHOLE_OBJECT));
        add ? (void)copy->GetAreaID().insert((*area)->GetID())
            : (void)copy->GetAreaID().erase((*area)->GetID());
        std::uint32_t changed = 0;
        return (*door)->OnObjectChange(copy, changed, SECTION_ALL) == 0 &&
               (*door)->UpdateRecord() == 0;
    };
    auto inserted = [](const std::shared_ptr<CNameObject>& o) {
        return CNameObject::InsertObject(o) == 0 ? o->GetID() : 0u;
    };
    HostProcess server(
        {[&] { return StartHost(url, inst.dir(), true) ? 1u : 0u; },
         [=] {
             *area = std::static_pointer_cast<CArea>(CArea::CreateObj());
             return inserted(*area);
         },
         [=] {
             *door = std::static_pointer_cast<CAccessObject>(CAccessObject::CreateObj());
             return inserted(*door);
         },
         [=] { return link(true) ? 1u : 0u; }, [=] { return link(false) ? 1u : 0u; }});
    ASSERT_EQ(1u, server.Run(0));
    ASSERT_TRUE(StartHost(url, inst.dir(), false));
    if (feed()) {
        ASSERT_EQ(S_SUCCESS, listener.Start()) << listener.GetLastError();
    }
    const std::uint32_t serverNO = GetCurrentServerNO(), areaID = server.Run(1);
    Follow({ChangeOperation::Insert, {62, areaID, serverNO}, {}});
    const std::uint32_t doorID = server.Run(2);
    Follow({ChangeOperation::Insert, {2, doorID, serverNO}, {}});
    auto localDoor = std::dynamic_pointer_cast<CAccessObject>(GDM_Find(2, doorID, serverNO));
    auto localArea = std::dynamic_pointer_cast<CArea>(GDM_Find(62, areaID, serverNO));
    ASSERT_TRUE(localDoor && localArea);
    for (bool linked : {true, false}) {
        SCOPED_TRACE(linked ? "link" : "unlink");
        ASSERT_EQ(1u, server.Run(linked ? 3 : 4));
        Follow({ChangeOperation::Update, {2, doorID, serverNO}, {}});
        EXPECT_EQ(linked, localDoor->GetAreaID().count(areaID) == 1);
        EXPECT_EQ(linked, localArea->GetObjectInArea().count(localDoor->GetObjectUniqueID()) == 1);
    }
    DestroyAllObject();
}

// The listening connection breaks mid-run: Poll says so with a code and stops, the store keeps
// what it holds, and a new Start follows the other host again.
TEST_F(TwoHosts, ABrokenListeningConnectionIsReportedAndStartResumes) {
    if (!feed()) GTEST_SKIP() << "there is no feed on SQLite";
    const std::string url = inst.dbPath();
    HostProcess server(ServerSteps(url, inst.dir()));
    ASSERT_EQ(1u, server.Run(0));
    ASSERT_TRUE(StartHost(url, inst.dir(), false));
    ASSERT_EQ(S_SUCCESS, listener.Start()) << listener.GetLastError();
    const std::uint32_t serverNO = GetCurrentServerNO(), groupID = server.Run(1);
    ASSERT_NE(0u, groupID);
    Follow({ChangeOperation::Insert, {3, groupID, serverNO}, {}});
    // Only this installation's listener: other tests listen on the same server meanwhile.
    const std::string channel = ChangeFeedChannel(GetDatabase());
    ASSERT_EQ(1, QueryInt("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                          "WHERE query = 'LISTEN \"" +
                          channel + "\"' AND datname = current_database()"));
    std::int32_t polled = 0;
    for (int i = 0; i < 20 && polled == 0; ++i) polled = listener.Poll(100);
    EXPECT_EQ(E_DATABASE_OPERATION, polled);
    EXPECT_NE(std::string::npos, listener.GetLastError().find("listening connection"))
        << listener.GetLastError();
    EXPECT_FALSE(listener.IsListening());
    EXPECT_TRUE(GDM_Find(3, groupID, serverNO)) << "the break lost an object";

    ASSERT_EQ(S_SUCCESS, listener.Start()) << listener.GetLastError();
    const std::uint32_t doorID = server.Run(2);
    ASSERT_NE(0u, doorID);
    Follow({ChangeOperation::Insert, {2, doorID, serverNO}, {}});
    EXPECT_TRUE(GDM_Find(2, doorID, serverNO));
    DestroyAllObject();
}

}  // namespace
