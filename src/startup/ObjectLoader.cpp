// The start-up bulk load: the whole NameObject table in one query and one pass. Every row
// becomes an object of its class, filled from the row's columns and BLOBs and filed in the
// store. Runs once per process (the flag is set before anything else, so a failed run is not
// repeated); it is the loader of CAccessObject and of the other access-object classes.
#include <chrono>

#include "core/NameObjectRow.h"
#include "membership/AccessObject.h"
#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "registry/IdAllocator.h"
#include "registry/ObjectStore.h"
#include "registry/ServerIdentity.h"
#include "startup/LoadedObject.h"

namespace {

using Clock = std::chrono::steady_clock;

bool g_bulkLoaded = false;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int Milliseconds(Clock::duration d) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

Clock::duration Est(Clock::duration sampled) {
    return NameObjectRow::ReadTimes::Estimated(sampled);
}

int CountRows(CADODatabase* db) {
    int count = 0;
    CADORecordset rs(db);
    if (rs.Open("select count(nID) as NUMBER_Count from NameObject", 0)) {
        if (!rs.IsEOF()) rs.GetFieldValue(0, count);
        rs.Close();
    }
    return count;
}

}  // namespace

bool FileLoadedObject(const std::shared_ptr<CNameObject>& object, std::int32_t version,
                      std::uint32_t currentServerNO) {
    const std::uint32_t id = object->GetID(), serverNO = object->GetServerNO();
    if (serverNO == currentServerNO && SetLocalMaxObjectID(id) < 0) {
        OutputDebugStringW(u"SetLocalMaxObjectID错误 \r\n");
    }
    if (!object->OnLoad(version)) return false;
    GDM_Add(object->GetObjectClassID(), id, serverNO, object);
    return true;
}

void CAccessObject::AllowReload() { g_bulkLoaded = false; }

std::int32_t CAccessObject::InitObjectMap() {
    if (g_bulkLoaded) return 0;
    g_bulkLoaded = true;

    CADODatabase* db = GetDatabase();
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;

    const int count = CountRows(db);
    const Clock::time_point start = Clock::now();
    OutputDebugStringW(CString::Formatted("Loading from NameObject, Count = %d\n", count));

    CADORecordset rs(db);
    const bool opened = rs.Open(NameObjectRow::SelectAll(), 0);
    OutputDebugStringW(CString::Formatted("Open NameObject, Time = %f\n", SecondsSince(start)));

    NameObjectRow::ReadTimes times;
    const std::uint32_t currentServerNO = GetCurrentServerNO();
    while (opened && !rs.IsEOF()) {
        std::int32_t version = 0;
        if (std::shared_ptr<CNameObject> object = NameObjectRow::ReadObject(rs, version, times)) {
            FileLoadedObject(object, version, currentServerNO);
        }
        rs.MoveNext();
    }
    rs.Close();

    OutputDebugStringW(
        CString::Formatted("End of Loading from NameObject, Time = %f\n", SecondsSince(start)));
    OutputDebugStringW(CString::Formatted(
        "AccessObject::InitObjectMap : LoadRestData Time = %d, SetDevicePointsData Time = %d, "
        "LoadExtAttribute Time = %d, LoadExtProperty time = %d, LoadFromDatabase_LoadExtData Time "
        "= %d\n",
        Milliseconds(Est(times.rest)), Milliseconds(Est(times.devicePoints)),
        Milliseconds(Est(times.attribute)), Milliseconds(Est(times.property)), 0));
    return 0;
}
