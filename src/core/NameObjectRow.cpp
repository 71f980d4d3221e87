// Reading and writing an object's NameObject row by its one column description.
#include "core/NameObjectRow.h"

#include "core/NameObject.h"
#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "registry/ClassRegistry.h"

namespace NameObjectRow {
namespace {

using Clock = std::chrono::steady_clock;

// Times one reader call into an accumulated duration when the row is a sampled one.
class Stopwatch {
public:
    Stopwatch(Clock::duration& total, bool active)
        : m_total(active ? &total : nullptr),
          m_start(active ? Clock::now() : Clock::time_point{}) {}
    ~Stopwatch() {
        if (m_total != nullptr) *m_total += Clock::now() - m_start;
    }

private:
    Clock::duration* m_total;
    Clock::time_point m_start;
};

// Points reader at a BLOB column's bytes in the engine's buffer. False when there are none;
// a non-empty value the engine cannot hand out gets the warning line.
bool ReadBinaryColumn(const CADORecordset& rs, Column column, CBufferReader& reader) {
    int size = 0;
    const void* data = rs.GetFieldBlob(column, size);
    if (data == nullptr) {
        if (rs.GetFieldActualSize(column) > 0) {
            OutputDebugStringW(u"Warning: CAccessObject::InitObjectMap ADORdset.GetChunk.........");
        }
        return false;
    }
    CBufferReader view(data, size);
    reader.swap(view);
    return true;
}

void ReadBasicColumns(const CADORecordset& rs, CNameObject& object) {
    unsigned int value = 0;
    rs.GetFieldValue(kID, value);
    object.SetID(value);
    rs.GetFieldValue(kServerNO, value);
    object.SetServerNO(value);
    rs.GetFieldValue(kAttr, value);
    object.SetAttribute(value);
    CString shortName, fullName, description;
    rs.GetFieldValue(kName, shortName);
    object.SetShortName(std::move(shortName));
    rs.GetFieldValue(kFullName, fullName);
    object.SetFullName(std::move(fullName));
    rs.GetFieldValue(kDescription, description);
    object.SetDescription(std::move(description));
    COleDateTime time;
    rs.GetFieldValue(kCreateTime, time);
    object.SetCreateTime(time);
    rs.GetFieldValue(kModifyTime, time);
    object.SetModifyTime(time);
}

void ReadRestData(CNameObject& object, CBufferReader& reader, std::int32_t version,
                  Clock::duration& time, bool timed) {
    if (version < kFirstFramedRestVersion) {
        int size = reader.GetLength();
        object.LoadRestData_V2(reader.GetData(), &size, version);
        return;
    }
    int loaded;
    {
        Stopwatch watch(time, timed);
        loaded = object.LoadRestData(reader, version);
    }
    if (!loaded) {
        OutputDebugStringW(CString::Formatted("数据库 加载对象 类型=%d ID=%d 失败\r\n ",
                                              static_cast<int>(object.GetObjectClassID()),
                                              static_cast<int>(object.GetID())));
    }
}

}  // namespace

std::shared_ptr<CNameObject> ReadObject(const CADORecordset& rs, std::int32_t& version,
                                        ReadTimes& times) {
    unsigned int classID = 0;
    rs.GetFieldValue(kClassID, classID);
    std::shared_ptr<CNameObject> object = CreateNewObject(classID);
    if (!object) {
        OutputDebugStringW(CString::Formatted("Warning: Can't find ClassInfo for ClassID = %d\n",
                                              static_cast<int>(classID)));
        return nullptr;
    }
    object->SetClassID(classID);
    ReadBasicColumns(rs, *object);
    unsigned int storedVersion = 0;
    rs.GetFieldValue(kVersion, storedVersion);
    version = static_cast<std::int32_t>(storedVersion);

    const bool timed = times.Sampling();
    ++times.rows;
    CBufferReader reader;
    if (ReadBinaryColumn(rs, kVarData, reader)) {
        ReadRestData(*object, reader, version, times.rest, timed);
    }
    if (ReadBinaryColumn(rs, kDvPtData, reader)) {
        Stopwatch watch(times.devicePoints, timed);
        object->SetDevicePointsData(reader);
    }
    if (ReadBinaryColumn(rs, kAttribute, reader)) {
        Stopwatch watch(times.attribute, timed);
        object->LoadExtAttribute(reader);
    }
    if (ReadBinaryColumn(rs, kProperty, reader)) {
        Stopwatch watch(times.property, timed);
        object->LoadExtProperty(reader);
    }
    // Extension data and images are loaded later, on demand.
    object->SetObjectInitState(SECTION_BASIC_DATA | SECTION_EXT_ATTRIBUTE | SECTION_REST_DATA |
                               SECTION_EXT_PROPERTY);
    return object;
}

void WriteBasicColumns(CADORecordset& rs, const CNameObject& o) {
    rs.SetFieldValue(Name(kClassID), o.GetObjectClassID());
    rs.SetFieldValue(Name(kName), o.GetShortName());
    rs.SetFieldValue(Name(kAttr), o.GetAttribute());
    rs.SetFieldValue(Name(kFullName), o.GetFullName());
    rs.SetFieldValue(Name(kDescription), o.GetDescription());
    rs.SetFieldValue(Name(kCreateTime), o.GetCreateTime());
    rs.SetFieldValue(Name(kModifyTime), o.GetModifyTime());
    rs.SetFieldValue(Name(kVersion),
                     static_cast<std::uint32_t>(DataVersionOf(o.GetRuntimeClass())));
}

}  // namespace NameObjectRow
