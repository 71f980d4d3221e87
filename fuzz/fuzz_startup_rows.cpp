// Writes arbitrary rows into an empty in-memory installation database and runs the start-up
// sequence over them: NameObject rows (any class, any version, any column values and BLOBs),
// Container rows, extension-data rows with any nType, image rows. Then the on-demand loaders
// (extension data of every row, the images of every loaded object) and DestroyAllObject.
// Every column gets a value of any storage class (NULL, integer, real, text, BLOB), whatever
// its declared type.
//
// Input: a sequence of rows, each a table byte (mod 4) and then, per column, a kind byte
// (mod 6: NULL, integer, real, text, BLOB, registered class ID) and its payload (8 bytes for
// integer and real, 4 for a class selector, a 2-byte length and the bytes for text and BLOB).
// A short input reads as zeros. NAMEOBJECT_FUZZ_SEEDS=<dir>: writes seeds and exits.
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/NameObject.h"
#include "core/NameObjectExtData.h"
#include "membership/AccessObject.h"
#include "platform/Database.h"
#include "registry/ObjectStore.h"
#include "startup/Startup.h"

namespace {

enum Kind : std::uint8_t { kNull, kInteger, kReal, kText, kBlob, kClass, kKinds };

struct Table {
    const char* name;
    int columns;
};
const Table kTables[] = {
    {"NameObject(nClassID, nID, nServerNO, nAttr, strName, strFullName, strDescription, "
     "dtCreateTime, dtModifyTime, nVersion, varData, varDvPtData, ObjectAttribute, ObjectProperty)",
     14},
    {"Container(nContainerID, nSubObjectID, nContainerClassID, nSubClassID, nContainerServerNO, "
     "nSubObjectServerNO)",
     6},
    {"ObjectExtData(nClassID, nID, nServerNO, strFieldName, nType, V_int, V_int64, V_double, "
     "V_DateTime, V_String)",
     10},
    {"ObjectImage(nClassID, nID, nServerNO, nIndex, dateTime, imgPhoto)", 6},
};
constexpr int kTableCount = sizeof kTables / sizeof kTables[0];

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_p(data), m_left(size) {}
    bool Empty() const { return m_left == 0; }
    std::uint8_t Byte() { return m_left > 0 ? (--m_left, *m_p++) : 0; }
    std::uint64_t Word(int bytes) {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(Byte()) << (8 * i);
        return v;
    }
    std::string Bytes() {
        std::size_t n = static_cast<std::size_t>(Word(2));
        if (n > m_left) n = m_left;
        std::string out(reinterpret_cast<const char*>(m_p), n);
        m_p += n;
        m_left -= n;
        return out;
    }

private:
    const std::uint8_t* m_p;
    std::size_t m_left;
};

void Bind(sqlite3_stmt* stmt, int column, Input& in) {
    switch (in.Byte() % kKinds) {
        case kInteger:
            sqlite3_bind_int64(stmt, column, static_cast<sqlite3_int64>(in.Word(8)));
            break;
        case kReal: {
            const std::uint64_t bits = in.Word(8);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            sqlite3_bind_double(stmt, column, d);
            break;
        }
        case kText: {
            const std::string s = in.Bytes();
            sqlite3_bind_text(stmt, column, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
            break;
        }
        case kBlob: {
            const std::string s = in.Bytes();
            sqlite3_bind_blob(stmt, column, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
            break;
        }
        case kClass:
            sqlite3_bind_int64(stmt, column,
                               fuzz::PickClass(static_cast<std::uint32_t>(in.Word(4))));
            break;
        default:
            sqlite3_bind_null(stmt, column);
    }
}

void InsertRows(sqlite3* db, Input& in) {
    for (int rows = 0; !in.Empty() && rows < 64; ++rows) {
        const Table& table = kTables[in.Byte() % kTableCount];
        std::string sql = std::string("INSERT INTO ") + table.name + " VALUES (";
        for (int i = 0; i < table.columns; ++i) sql += i == 0 ? "?" : ", ?";
        sql += ")";
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) std::abort();
        for (int i = 1; i <= table.columns; ++i) Bind(stmt, i, in);
        sqlite3_step(stmt);  // a row refused by a constraint is simply not there
        sqlite3_finalize(stmt);
    }
}

void StartUp() {
    CAccessObject::AllowReload();
    InitAllObject();
    InitContainer(nullptr, nullptr);
    InitAllObjectRelation();
    CNameObjectExtData::InitObjectExtData(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    std::vector<std::shared_ptr<CNameObject>> loaded;
    for (const auto& [serverNO, classes] : *GDM_GetServerObjMap()) {
        for (const auto& [classID, objects] : classes) {
            for (const auto& [id, object] : objects) loaded.push_back(object);
        }
    }
    for (const auto& object : loaded) object->LoadDataFromDatabase(SECTION_ALL);
    loaded.clear();
    DestroyAllObject();
}

// ---- seeds ----------------------------------------------------------------------

class SeedWriter {
public:
    SeedWriter& Row(int table) { return Raw(static_cast<std::uint8_t>(table)); }
    SeedWriter& Null() { return Raw(kNull); }
    SeedWriter& Int(std::int64_t v) {
        Raw(kInteger);
        for (int i = 0; i < 8; ++i)
            Raw(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i)));
        return *this;
    }
    SeedWriter& Real(double d) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, sizeof d);
        Raw(kReal);
        for (int i = 0; i < 8; ++i) Raw(static_cast<std::uint8_t>(bits >> (8 * i)));
        return *this;
    }
    SeedWriter& Text(const std::string& s) { return Sized(kText, s.data(), s.size()); }
    SeedWriter& Blob(const CBufferWriter& w) {
        return Sized(kBlob, w.GetData(), static_cast<std::size_t>(w.GetLength()));
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_out; }

private:
    SeedWriter& Raw(std::uint8_t b) {
        m_out.push_back(b);
        return *this;
    }
    SeedWriter& Sized(std::uint8_t kind, const void* p, std::size_t n) {
        Raw(kind).Raw(static_cast<std::uint8_t>(n)).Raw(static_cast<std::uint8_t>(n >> 8));
        const auto* b = static_cast<const std::uint8_t*>(p);
        m_out.insert(m_out.end(), b, b + n);
        return *this;
    }
    std::vector<std::uint8_t> m_out;
};

void NameObjectRow(SeedWriter& w, unsigned int classID, int id, std::uint32_t version) {
    auto object = CreateNewObject(classID);
    CBufferWriter rest;
    if (!object->SaveRestData(rest)) std::abort();
    w.Row(0)
        .Int(classID)
        .Int(id)
        .Int(0)
        .Int(0)
        .Text("n")
        .Text("full name")
        .Text("description")
        .Text("2026-12-06 05:00:00.000")
        .Text("2026-12-06 05:00:01")
        .Int(version)
        .Blob(rest)
        .Null()
        .Null()
        .Null();
}

void WriteSeeds(const std::string& dir) {
    for (unsigned int classID : fuzz::ClassIDs()) {
        auto object = CreateNewObject(classID);
        const std::uint32_t own = object->GetRuntimeClass()->m_wSchema & 0x7FFFFFFFu;
        SeedWriter w;
        NameObjectRow(w, classID, 1, own);
        fuzz::WriteSeed(dir, "row-" + std::to_string(classID), w.Bytes());
    }
    // A container with a member, one extension field of each stored kind, an image.
    SeedWriter w;
    NameObjectRow(w, 3, 1, 0x03000100);
    NameObjectRow(w, 2, 2, 0x03000200);
    NameObjectRow(w, 2, 3, 0x02000000);
    w.Row(1).Int(1).Int(2).Int(3).Int(2).Int(0).Int(0);
    const struct {
        int type;
        int column;
    } fields[] = {{3, 5}, {19, 5}, {20, 6}, {5, 7}, {4, 7}, {7, 8}, {8, 9}, {11, 5}, {0, 5}};
    for (const auto& field : fields) {
        w.Row(2).Int(2).Int(2).Int(0).Text("field" + std::to_string(field.type)).Int(field.type);
        for (int column = 5; column <= 9; ++column) {
            if (column != field.column) {
                w.Null();
            } else if (column == 7) {
                w.Real(46362.25);
            } else if (column == 8) {
                w.Text("2026-12-06 05:00:00.000");
            } else if (column == 9) {
                w.Text("text");
            } else {
                w.Int(-7);
            }
        }
    }
    CBufferWriter photo;
    photo.Write(std::uint32_t{0xFFD8FFE0});
    w.Row(3).Int(2).Int(2).Int(0).Int(1).Text("2026-12-06 05:00:00.000").Blob(photo);
    fuzz::WriteSeed(dir, "container-extdata-image", w.Bytes());
}

// Empties every table of the installation: cheaper than a new connection (which creates the
// whole schema) and leaves the same empty installation.
void EmptyInstallation() {
    sqlite3* db = GetDatabase()->Handle();
    sqlite3_stmt* stmt = nullptr;
    std::vector<std::string> tables;
    if (sqlite3_prepare_v2(
            db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'",
            -1, &stmt, nullptr) != SQLITE_OK) {
        std::abort();
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    for (const std::string& table : tables) {
        if (sqlite3_exec(db, ("DELETE FROM [" + table + "]").c_str(), nullptr, nullptr, nullptr) !=
            SQLITE_OK) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::MakeInstallation("fuzz_startup_rows", true);
    fuzz::WriteSeedsWhenAsked(WriteSeeds);
    if (!ConnectDatabase("sqlite::memory:")) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EmptyInstallation();
    Input in(data, size);
    InsertRows(GetDatabase()->Handle(), in);
    StartUp();
    return 0;
}
