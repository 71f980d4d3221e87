// noctl watch: the change feed of a shared (PostgreSQL) installation, printed live. The tool
// runs the host's start-up, listens like a client host would (its store follows every change)
// and prints one line per change until it is interrupted.
#include <csignal>
#include <cstdio>

#include "Context.h"
#include "nameobject.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

std::string Now() { return COleDateTime::GetCurrentTime().Format("%Y-%m-%d %H:%M:%S").ToUtf8(); }

// "CLASS:0xID "name"" of an object the event carries, or the bare key when it has none here.
std::string KeyText(const MJOBJECT_KEY& key, const std::shared_ptr<CNameObject>& object) {
    return object ? Describe(*object) : StrPrintf("%u:0x%08X", key.nClassID, key.nID);
}

Json EventJson(const std::string& time, const ChangeFeedEvent& e) {
    const ChangeNotice& n = e.notice;
    Json line = {{"time", time},
                 {"operation", ChangeOperationName(n.operation)},
                 {"class", n.object.nClassID},
                 {"className", ClassName(n.object.nClassID)},
                 {"id", n.object.nID},
                 {"serverNO", n.object.nServerNO},
                 {"name", e.object ? e.object->GetFullName().ToUtf8() : ""}};
    if (n.operation == ChangeOperation::AddMember || n.operation == ChangeOperation::RemoveMember) {
        line["container"] = {{"class", n.container.nClassID},
                             {"id", n.container.nID},
                             {"serverNO", n.container.nServerNO},
                             {"name", e.container ? e.container->GetFullName().ToUtf8() : ""}};
    }
    return line;
}

void PrintEvent(bool json, const ChangeFeedEvent& e) {
    const std::string time = Now();
    if (json) {
        std::printf("%s\n", EventJson(time, e)
                                .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                                .c_str());
    } else {
        const ChangeNotice& n = e.notice;
        std::string line =
            time + " " + ChangeOperationName(n.operation) + " " + KeyText(n.object, e.object);
        if (n.operation == ChangeOperation::AddMember) line += " to ";
        if (n.operation == ChangeOperation::RemoveMember) line += " from ";
        if (n.container.nID != 0xFFFFFFFF) {
            line += KeyText(n.container, std::static_pointer_cast<CNameObject>(e.container));
        }
        std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
}

int RunWatch(const Context& ctx) {
    if (int rc = ctx.StartUp()) return rc;
    CChangeFeed feed;
    if (feed.Start() != S_SUCCESS) return Fail(feed.GetLastError());
    feed.SetObserver([&ctx](const ChangeFeedEvent& e) { PrintEvent(ctx.json, e); });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (!ctx.json) {
        std::fprintf(stderr, "watching %s (Ctrl-C ends)\n",
                     GetDatabase()->GetConnectionString().c_str());
    }
    while (!g_stop) {
        if (feed.Poll(200) < 0) return Fail(feed.GetLastError());
    }
    return Finish(kExitOk);
}

}  // namespace

void AddWatchCommand(CLI::App& app, Context& ctx, Commands& commands) {
    CLI::App* watch = AddCommand(
        app, "watch",
        "print the changes every host commits to a shared (PostgreSQL) installation, live",
        "noctl --db postgresql://site@dbhost/site watch\n"
        "  2026-12-06 08:01:02 update 62:0x01000108 \"Hall\"\n"
        "  2026-12-06 08:01:05 add 501:0x01000117 \"Card 1\" to 59:0x01000115 \"Staff 1\"\n"
        "  --json: {\"time\":...,\"operation\":\"update\",\"class\":62,\"className\":\"CArea\","
        "\"id\":16777480,\"serverNO\":16777216,\"name\":\"Hall\"} (a membership change adds "
        "\"container\")");
    AddJsonFlag(watch, ctx);
    commands.push_back({watch, [&ctx] { return ctx.Resolve() ? kExitUsage : RunWatch(ctx); }});
}
