// The start-up bulk load: the whole NameObject table in one query and one pass. Every row
// becomes an object of its class, filled from the row's columns and BLOBs and filed in the
// store. Runs once per process (the flag is set before anything else, so a failed run is not
// repeated); it is the loader of CAccessObject and of the other access-object classes.
#include <chrono>

#include "membership/AccessObject.h"
#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "registry/ClassRegistry.h"
#include "registry/IdAllocator.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"

namespace {

using Clock = std::chrono::steady_clock;

bool g_bulkLoaded = false;

enum Column {
    kClassID, kID, kServerNO, kAttr, kName, kFullName, kDescription, kCreateTime, kModifyTime,
    kVersion, kVarData, kDvPtData, kAttribute, kProperty,
};

constexpr std::int32_t kFirstFramedRestVersion = 0x03000000;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Times one reader call into an accumulated duration.
class Stopwatch {
public:
    explicit Stopwatch(Clock::duration& total) : m_total(total), m_start(Clock::now()) {}
    ~Stopwatch() { m_total += Clock::now() - m_start; }

private:
    Clock::duration& m_total;
    Clock::time_point m_start;
};

int Milliseconds(Clock::duration d) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

// Reads a BLOB column into reader when it holds any bytes. False when there is nothing to
// read or the read failed (the warning line is written for a failed read).
bool ReadBinaryColumn(const CADORecordset& rs, int column, CBufferReader& reader) {
    if (rs.GetFieldActualSize(column) <= 0) return false;
    if (!ReadBlobColumn(rs, column, reader)) {
        OutputDebugStringW(u"Warning: CAccessObject::InitObjectMap ADORdset.GetChunk.........");
        return false;
    }
    return true;
}

}  // namespace

void CAccessObject::AllowReload() { g_bulkLoaded = false; }

std::int32_t CAccessObject::InitObjectMap() {
    if (g_bulkLoaded) return 0;
    g_bulkLoaded = true;

    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;

    int count = 0;
    {
        CADORecordset rs(db);
        if (rs.Open("select count(nID) as NUMBER_Count from NameObject", 0)) {
            if (!rs.IsEOF()) rs.GetFieldValue(0, count);
            rs.Close();
        }
    }
    const Clock::time_point start = Clock::now();
    OutputDebugStringW(CString::Formatted("Loading from NameObject, Count = %d\n", count));

    CADORecordset rs(db);
    const bool opened =
        rs.Open("SELECT nClassID, nID, nServerNo, nAttr, strName, strFullName, strDescription, "
                "dtCreateTime, dtModifyTime, nVersion, varData, varDvPtData, ObjectAttribute, "
                "ObjectProperty FROM NameObject",
                0);
    OutputDebugStringW(CString::Formatted("Open NameObject, Time = %f\n", SecondsSince(start)));

    Clock::duration restTime{}, devicePointsTime{}, attributeTime{}, propertyTime{};
    const std::uint32_t currentServerNO = GetCurrentServerNO();
    while (opened && !rs.IsEOF()) {
        unsigned int classID = 0;
        rs.GetFieldValue(Column::kClassID, classID);
        std::shared_ptr<CNameObject> object = CreateNewObject(classID);
        if (!object) {
            OutputDebugStringW(
                CString::Formatted("Warning: Can't find ClassInfo for ClassID = %d\n", static_cast<int>(classID)));
            rs.MoveNext();
            continue;
        }
        unsigned int id = 0, serverNO = 0, attribute = 0, version = 0;
        rs.GetFieldValue(kID, id);
        rs.GetFieldValue(kServerNO, serverNO);
        object->SetID(id);
        object->SetServerNO(serverNO);
        object->SetClassID(classID);
        if (serverNO == currentServerNO && SetLocalMaxObjectID(id) < 0) {
            OutputDebugStringW(u"SetLocalMaxObjectID错误 \r\n");
        }

        COleDateTime time;
        rs.GetFieldValue(kAttr, attribute);
        object->SetAttribute(attribute);
        CString shortName, fullName, description;
        rs.GetFieldValue(kName, shortName);
        object->SetShortName(std::move(shortName));
        rs.GetFieldValue(kFullName, fullName);
        object->SetFullName(std::move(fullName));
        rs.GetFieldValue(kDescription, description);
        object->SetDescription(std::move(description));
        rs.GetFieldValue(kCreateTime, time);
        object->SetCreateTime(time);
        rs.GetFieldValue(kModifyTime, time);
        object->SetModifyTime(time);
        rs.GetFieldValue(kVersion, version);
        const auto signedVersion = static_cast<std::int32_t>(version);

        CBufferReader reader;
        if (ReadBinaryColumn(rs, kVarData, reader)) {
            if (signedVersion < kFirstFramedRestVersion) {
                int size = reader.GetLength();
                object->LoadRestData_V2(reader.GetData(), &size, signedVersion);
            } else {
                int loaded;
                {
                    Stopwatch watch(restTime);
                    loaded = object->LoadRestData(reader, signedVersion);
                }
                if (!loaded) {
                    OutputDebugStringW(CString::Formatted("数据库 加载对象 类型=%d ID=%d 失败\r\n ",
                                                          static_cast<int>(classID), static_cast<int>(id)));
                }
            }
        }
        if (ReadBinaryColumn(rs, kDvPtData, reader)) {
            Stopwatch watch(devicePointsTime);
            object->SetDevicePointsData(reader);
        }
        if (ReadBinaryColumn(rs, kAttribute, reader)) {
            Stopwatch watch(attributeTime);
            object->LoadExtAttribute(reader);
        }
        if (ReadBinaryColumn(rs, kProperty, reader)) {
            Stopwatch watch(propertyTime);
            object->LoadExtProperty(reader);
        }

        // Extension data and images are loaded later, on demand.
        object->SetObjectInitState(SECTION_BASIC_DATA | SECTION_EXT_ATTRIBUTE | SECTION_REST_DATA |
                                   SECTION_EXT_PROPERTY);
        if (object->OnLoad(signedVersion)) GDM_Add(classID, id, serverNO, object);
        rs.MoveNext();
    }
    rs.Close();

    OutputDebugStringW(CString::Formatted("End of Loading from NameObject, Time = %f\n", SecondsSince(start)));
    OutputDebugStringW(CString::Formatted(
        "AccessObject::InitObjectMap : LoadRestData Time = %d, SetDevicePointsData Time = %d, "
        "LoadExtAttribute Time = %d, LoadExtProperty time = %d, LoadFromDatabase_LoadExtData Time = %d\n",
        Milliseconds(restTime), Milliseconds(devicePointsTime), Milliseconds(attributeTime),
        Milliseconds(propertyTime), 0));
    return 0;
}
