// The BLOB chunk reader of the database layer: a value of any storage class and size is
// stored in a table, then read back with ReadBlobColumn (10 KB chunks) and with GetChunk at an
// arbitrary offset and length. The chunked copy must equal the stored bytes; GetChunk must
// copy exactly the part of the value that lies inside [offset, offset + length).
//
// Input: kind byte (mod 3: BLOB, text, integer), 4-byte offset, 4-byte length, the value.
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "platform/Database.h"

namespace {

CADODatabase& Connection() {
    static CADODatabase* db = [] {
        auto* d = new CADODatabase();
        if (!d->Open("sqlite::memory:") || !d->Execute("CREATE TABLE Chunks (v)")) std::abort();
        return d;
    }();
    return *db;
}

std::int32_t Le32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return static_cast<std::int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    const int kind = data[0] % 3;
    const int offset = Le32(data + 1);
    const int length = Le32(data + 5);
    const std::uint8_t* value = data + 9;
    const int n = fuzz::ClampSize(size - 9);

    CADODatabase& db = Connection();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.Handle(), "INSERT INTO Chunks VALUES (?)", -1, &stmt, nullptr) !=
        SQLITE_OK)
        std::abort();
    if (kind == 0) {
        sqlite3_bind_blob(stmt, 1, value, n, SQLITE_STATIC);
    } else if (kind == 1) {
        sqlite3_bind_text(stmt, 1, reinterpret_cast<const char*>(value), n, SQLITE_STATIC);
    } else {
        sqlite3_bind_int64(stmt, 1, offset);
    }
    if (sqlite3_step(stmt) != SQLITE_DONE) std::abort();
    sqlite3_finalize(stmt);

    {
        CADORecordset rs(&db);
        if (!rs.Open("SELECT v FROM Chunks") || rs.IsEOF()) std::abort();
        const std::string stored = kind == 2 ? std::to_string(offset)
                                             : std::string(reinterpret_cast<const char*>(value), n);
        CBufferReader reader;
        if (!ReadBlobColumn(rs, 0, reader)) std::abort();
        if (reader.GetLength() != static_cast<int>(stored.size()) ||
            (!stored.empty() && std::memcmp(reader.GetData(), stored.data(), stored.size()) != 0)) {
            std::abort();
        }

        CBufferWriter part;
        const int copied = rs.GetChunk(0, offset, length, part);
        const std::int64_t end =
            std::min<std::int64_t>(static_cast<std::int64_t>(offset) + length, stored.size());
        const std::int64_t expected =
            (offset < 0 || length <= 0 || offset >= end) ? 0 : end - offset;
        if (copied != expected || part.GetLength() != expected) std::abort();
        if (expected > 0 && std::memcmp(part.GetData(), stored.data() + offset, expected) != 0)
            std::abort();
        // Past the last record: every column read fails cleanly.
        rs.MoveNext();
        CBufferReader none;
        ReadBlobColumn(rs, 0, none);
        if (rs.GetChunk(0, 0, 1, part) != 0) std::abort();
    }
    if (!db.Execute("DELETE FROM Chunks")) std::abort();
    return 0;
}
