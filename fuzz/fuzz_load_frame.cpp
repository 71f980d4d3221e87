// Feeds arbitrary bytes to every reader of the object frame and its sections. Each must
// answer with a result code, never read outside the input or allocate by a hostile count.
// A frame that loads (of a known class) must also survive a save and a reload.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/NameObject.h"
#include "platform/Config.h"
#include "registry/ClassRegistry.h"

namespace {

bool Setup() {
    // Client mode: no section is fetched from a database.
    SetIsServerMode(false);
    char pattern[] = "/tmp/fuzz_load_frame.XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr) std::abort();
    if (!InitAllClassInfo(CString::FromUtf8(std::string(dir) + "/"))) std::abort();
    return true;
}

void LoadWholeFrame(const std::uint8_t* data, int size) {
    auto object = CNameObject::CreateObj();
    CBufferReader reader(data, size, 0, 0);
    if (!object->LoadData(reader, static_cast<int>(SECTION_WHOLE_OBJECT), 0)) return;
    // The basic section may carry a class other than the header's; a frame of an unknown
    // class is refused on reload by design.
    if (!CreateNewObject(object->GetObjectClassID())) return;
    CBufferWriter writer;
    if (!object->SaveData(writer, static_cast<int>(SECTION_WHOLE_OBJECT))) return;
    auto copy = CNameObject::CreateObj();
    CBufferReader again(writer);
    if (!copy->LoadData(again, static_cast<int>(SECTION_WHOLE_OBJECT), 0)) std::abort();
}

template <class Load>
void OnFreshObject(const std::uint8_t* data, int size, Load&& load) {
    auto object = CNameObject::CreateObj();
    CBufferReader reader(data, size, 0, 0);
    load(*object, reader);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = Setup();
    (void)ready;
    const int n = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);

    LoadWholeFrame(data, n);
    // Only some sections requested: the others are skipped or applied unreported.
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) {
        o.LoadData(r, SECTION_BASIC_DATA | SECTION_REST_DATA, 0x03000100);
    });
    {
        CBufferReader reader(data, n, 0, 0);
        int result = 0;
        CNameObject::CreateOfBuffer(reader, result, 0);
    }
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) { o.LoadExtAttribute(r); });
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) { o.LoadExtProperty(r); });
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) { o.LoadExtData(r, 1); });
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) { o.LoadObjectImage(r, 1); });
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) { o.LoadBasicData(r); });
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) { o.LoadRestData(r, 0); });
    OnFreshObject(data, n, [](CNameObject& o, CBufferReader& r) {
        o.LoadDatabaseRestData(r, 0x03000200);
        o.LoadDatabaseRestData(r, 0x02000000);
    });
    return 0;
}
