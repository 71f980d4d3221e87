// Feeds arbitrary bytes to the frame readers of every registered class: through CreateOfBuffer
// (the class the frame names) and called directly on an object of the selected class (the
// whole frame, rest data in the framed and the older raw form, the database forms, the
// memory-pointer LoadData forms), plus the alarm-linkage record.
// Input: 4-byte class selector, 4-byte version (the row version / rest argument), 4-byte
// section mask, then the bytes. Every reader must answer with a result code, never read
// outside the input, and a memory form must never report more bytes consumed than it had.
// A whole frame that loads (naming a known class) must survive a save and a reload.
//
// NAMEOBJECT_FUZZ_SEEDS=<dir>: writes a seed per class (a saved whole frame and rest block of
// a new object of the class, under its own and the older row versions, and a raw-form block)
// and exits.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "areas/AreaAlarmLinkageAction.h"
#include "core/NameObject.h"

namespace {

using Object = std::shared_ptr<CNameObject>;

void CheckConsumed(int before, int after) {
    if (after < 0 || after > before) std::abort();
}

void WholeFrameRoundTrip(unsigned int classID, const std::uint8_t* data, int size, int version) {
    Object object = CreateNewObject(classID);
    CBufferReader reader(data, size, 0, 0);
    if (!object->LoadData(reader, static_cast<int>(SECTION_WHOLE_OBJECT), version)) return;
    // The basic section may name another class; a frame of an unknown class is refused on
    // reload by design.
    if (GetClsInfo(object->GetObjectClassID()) == nullptr) return;
    CBufferWriter writer;
    if (!object->SaveData(writer, static_cast<int>(SECTION_WHOLE_OBJECT))) return;
    Object copy = CreateNewObject(classID);
    CBufferReader again(writer);
    if (!copy->LoadData(again, static_cast<int>(SECTION_WHOLE_OBJECT), 0)) std::abort();
}

void EveryReader(unsigned int classID, const std::uint8_t* data, int size, int version,
                 int sections) {
    WholeFrameRoundTrip(classID, data, size, version);
    {
        // The class the frame's header names (the seeds name every class).
        CBufferReader reader(data, size, 0, 0);
        int result = 0;
        CNameObject::CreateOfBuffer(reader, result, 0);
    }
    auto onReader = [&](auto&& load) {
        Object object = CreateNewObject(classID);
        CBufferReader reader(data, size, 0, 0);
        load(*object, reader);
    };
    onReader([&](CNameObject& o, CBufferReader& r) { o.LoadData(r, sections, version); });
    onReader([&](CNameObject& o, CBufferReader& r) { o.LoadRestData(r, version); });
    onReader([&](CNameObject& o, CBufferReader& r) { o.LoadDatabaseRestData(r, version); });
    onReader([&](CNameObject& o, CBufferReader& r) { o.LoadDatabaseData(r, sections, version); });
    onReader([&](CNameObject& o, CBufferReader& r) { o.LoadDatabaseBasicData(r); });

    auto onMemory = [&](auto&& load) {
        Object object = CreateNewObject(classID);
        int used = size;
        load(*object, &used);
        CheckConsumed(size, used);
    };
    onMemory([&](CNameObject& o, int* n) { o.LoadData(data, n, sections, version); });
    onMemory([&](CNameObject& o, int* n) { o.LoadBasicData(data, n); });
    onMemory([&](CNameObject& o, int* n) { o.LoadRestData(data, n, version); });
    onMemory([&](CNameObject& o, int* n) { o.LoadRestData_V2(data, n, version); });
}

void WriteSeeds(const std::string& dir) {
    for (unsigned int classID : fuzz::ClassIDs()) {
        Object object = CreateNewObject(classID);
        const std::uint32_t own = object->GetRuntimeClass()->m_wSchema & 0x7FFFFFFFu;
        CBufferWriter whole, rest;
        if (!object->SaveData(whole, static_cast<int>(SECTION_WHOLE_OBJECT))) std::abort();
        if (!object->SaveRestData(rest)) std::abort();
        const struct {
            const char* form;
            const CBufferWriter* bytes;
            std::uint32_t version;
        } seeds[] = {
            {"whole", &whole, own},
            {"rest", &rest, own},
            {"rest-older", &rest, 0x02000000u},
        };
        for (const auto& seed : seeds) {
            std::vector<std::uint8_t> bytes;
            fuzz::AppendU32(bytes, classID);
            fuzz::AppendU32(bytes, seed.version);
            fuzz::AppendU32(bytes, static_cast<std::uint32_t>(SECTION_WHOLE_OBJECT));
            const auto* p = static_cast<const std::uint8_t*>(seed.bytes->GetData());
            bytes.insert(bytes.end(), p, p + seed.bytes->GetLength());
            fuzz::WriteSeed(dir, "class-" + std::to_string(classID) + "-" + seed.form, bytes);
        }
        // The older raw form: a version word, then the fields laid out without length words.
        std::vector<std::uint8_t> raw;
        fuzz::AppendU32(raw, classID);
        fuzz::AppendU32(raw, 0x02000000u);
        fuzz::AppendU32(raw, static_cast<std::uint32_t>(SECTION_REST_DATA));
        fuzz::AppendU32(raw, 0x02000000u);
        raw.resize(raw.size() + 64, 0);
        fuzz::WriteSeed(dir, "class-" + std::to_string(classID) + "-raw", raw);
    }
    AREA_ALARM_LINKAGE_ACTION action(7, 1, 10, 1, 0);
    CBufferWriter record;
    if (!action.SaveData(record)) std::abort();
    std::vector<std::uint8_t> bytes(12, 0);
    const auto* p = static_cast<const std::uint8_t*>(record.GetData());
    bytes.insert(bytes.end(), p, p + record.GetLength());
    fuzz::WriteSeed(dir, "linkage-action", bytes);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::MakeInstallation("fuzz_class_frames", false);
    fuzz::WriteSeedsWhenAsked(WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const unsigned int classID = fuzz::PickClass(in.ConsumeIntegral<std::uint32_t>());
    const int version = in.ConsumeIntegral<std::int32_t>();
    const int sections = in.ConsumeIntegral<std::int32_t>();
    const std::size_t offset = size - in.remaining_bytes();
    const std::uint8_t* body = data + offset;
    const int n = fuzz::ClampSize(size - offset);

    EveryReader(classID, body, n, version, sections);

    AREA_ALARM_LINKAGE_ACTION action;
    CBufferReader reader(body, n, 0, 0);
    if (action.LoadData(reader)) {
        CBufferWriter writer;
        if (!action.SaveData(writer)) std::abort();
        AREA_ALARM_LINKAGE_ACTION copy;
        CBufferReader again(writer);
        if (!copy.LoadData(again) || copy != action) std::abort();
    }
    return 0;
}
