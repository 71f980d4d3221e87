#include "core/ChangeNotice.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/Database.h"

namespace {

constexpr const char* kChannel = "nameobject";
constexpr std::size_t kMaxChannelBytes = 63;

constexpr const char* kOperationNames[] = {"insert", "update", "delete", "add", "remove"};
constexpr int kOperationCount = 5;

bool IsMembership(ChangeOperation operation) {
    return operation == ChangeOperation::AddMember || operation == ChangeOperation::RemoveMember;
}

std::string KeyText(const MJOBJECT_KEY& key) {
    return std::to_string(key.nClassID) + " " + std::to_string(key.nID) + " " +
           std::to_string(key.nServerNO);
}

// One unsigned 32-bit decimal number in its one written form: digits only, no leading zero.
bool ParseNumber(const std::string& word, std::uint32_t& out) {
    if (word.empty() || word.size() > 10 || (word.size() > 1 && word[0] == '0')) return false;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
    }
    const unsigned long long value = std::strtoull(word.c_str(), nullptr, 10);
    if (value > 0xFFFFFFFFull) return false;
    out = static_cast<std::uint32_t>(value);
    return true;
}

bool ParseKey(const std::vector<std::string>& words, std::size_t first, MJOBJECT_KEY& key) {
    return ParseNumber(words[first], key.nClassID) && ParseNumber(words[first + 1], key.nID) &&
           ParseNumber(words[first + 2], key.nServerNO);
}

}  // namespace

const char* ChangeOperationName(ChangeOperation operation) {
    const auto index = static_cast<int>(operation);
    return index >= 0 && index < kOperationCount ? kOperationNames[index] : "?";
}

std::string FormatChangeNotice(const ChangeNotice& notice) {
    std::string text =
        std::string(ChangeOperationName(notice.operation)) + " " + KeyText(notice.object);
    if (IsMembership(notice.operation)) text += " " + KeyText(notice.container);
    return text;
}

bool ParseChangeNotice(const std::string& payload, ChangeNotice& out) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= payload.size() && words.size() <= 7) {
        const std::size_t end = payload.find(' ', start);
        words.push_back(payload.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (words.empty()) return false;
    ChangeNotice notice;
    int op = 0;
    while (op < kOperationCount && words[0] != kOperationNames[op]) ++op;
    if (op == kOperationCount) return false;
    notice.operation = static_cast<ChangeOperation>(op);
    const std::size_t expected = IsMembership(notice.operation) ? 7 : 4;
    if (words.size() != expected || !ParseKey(words, 1, notice.object)) return false;
    if (expected == 7 && !ParseKey(words, 4, notice.container)) return false;
    out = notice;
    return true;
}

std::string ChangeFeedChannel(CADODatabase* db) {
    if (db == nullptr || db->GetEngine() != DatabaseEngine::PostgreSQL) return {};
    static std::mutex lock;
    static const CADODatabase* cachedFor = nullptr;
    static std::string cachedConnection, cachedChannel;
    std::lock_guard<std::mutex> guard(lock);
    if (cachedFor == db && cachedConnection == db->GetConnectionString()) return cachedChannel;
    CString schema;
    {
        CADORecordset rs(db);
        if (!rs.Open("select current_schema()") || rs.IsEOF() || !rs.GetFieldValue(0, schema)) {
            return kChannel;  // not cached: asked again next time
        }
    }
    const std::string name = schema.ToUtf8();
    cachedChannel = name.empty() || name == "public" ? kChannel : kChannel + ("." + name);
    if (cachedChannel.size() > kMaxChannelBytes) cachedChannel.resize(kMaxChannelBytes);
    cachedFor = db;
    cachedConnection = db->GetConnectionString();
    return cachedChannel;
}

void AnnounceChange(CADODatabase* db, ChangeOperation operation, const MJOBJECT_KEY& object,
                    const MJOBJECT_KEY& container) {
    const std::string channel = ChangeFeedChannel(db);
    if (!channel.empty()) db->Notify(channel, FormatChangeNotice({operation, object, container}));
}
