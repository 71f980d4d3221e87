// The object frame: a 20-byte header (class ID, ID, server number, section mask, body
// length) and the sections in fixed order; the base object's own sections; the adapters on
// caller memory and the database variants.
#include <climits>
#include <cstring>

#include "core/NameObject.h"
#include "core/RestData.h"
#include "platform/Config.h"
#include "registry/ClassRegistry.h"

std::int32_t CNameObject::m_nMinVersion = 0;

namespace {

constexpr int kHeaderSize = 20;
// Most frames take a few hundred bytes: room for them is made once, not by repeated growth.
constexpr int kTypicalFrameSize = 512;
constexpr std::int32_t kFirstLengthPrefixedRestVersion = 0x03000100;

// One section of the frame: its bit, its writer and its reader. `apply` tells the readers
// that can skip their content (extension data, images) whether the section was requested;
// `restArg` reaches the rest-data reader.
struct FrameSection {
    std::uint32_t bit;
    int (*save)(CNameObject& object, CBufferWriter& writer);
    int (*load)(CNameObject& object, CBufferReader& reader, int apply, int restArg);
};

const FrameSection kFrameSections[] = {
    {SECTION_BASIC_DATA, [](CNameObject& o, CBufferWriter& w) { return o.SaveBasicData(w); },
     [](CNameObject& o, CBufferReader& r, int, int) { return o.LoadBasicData(r); }},
    {SECTION_EXT_DATA, [](CNameObject& o, CBufferWriter& w) { return o.SaveExtData(w); },
     [](CNameObject& o, CBufferReader& r, int apply, int) { return o.LoadExtData(r, apply); }},
    {SECTION_EXT_ATTRIBUTE, [](CNameObject& o, CBufferWriter& w) { return o.SaveExtAttribute(w); },
     [](CNameObject& o, CBufferReader& r, int, int) { return o.LoadExtAttribute(r); }},
    {SECTION_REST_DATA, [](CNameObject& o, CBufferWriter& w) { return o.SaveRestData(w); },
     [](CNameObject& o, CBufferReader& r, int, int arg) { return o.LoadRestData(r, arg); }},
    {SECTION_OBJECT_IMAGE, [](CNameObject& o, CBufferWriter& w) { return o.SaveObjectImage(w); },
     [](CNameObject& o, CBufferReader& r, int apply, int) { return o.LoadObjectImage(r, apply); }},
    {SECTION_EXT_PROPERTY, [](CNameObject& o, CBufferWriter& w) { return o.SaveExtProperty(w); },
     [](CNameObject& o, CBufferReader& r, int, int) { return o.LoadExtProperty(r); }},
};

// Reads a wide string into out; keep tells that its stored count was 0 (the field keeps its
// text). 1 or 0 as ReadString.
int ReadName(CBufferReader& reader, CString& out, bool& keep) {
    std::int32_t count = 0;
    if (!reader.CurrentPtr_Test_Next(4, 1)) return 0;
    std::memcpy(&count, reader.CurrentPtr(), 4);
    keep = count == 0;
    return reader.ReadString(out);
}

// Serialises into a fresh writer and hands the bytes to caller memory. With no room (or no
// memory given) *size receives the length needed and the result is 0.
template <class Save>
int SaveToMemory(void* data, int* size, Save&& save) {
    if (size == nullptr) return 0;
    CBufferWriter writer(128);
    const int result = save(writer);
    if (result == 0) return 0;
    const int length = writer.GetLength();
    if (data == nullptr || *size < length) {
        *size = length;
        return 0;
    }
    if (length > 0) std::memcpy(data, writer.GetData(), static_cast<std::size_t>(length));
    *size = length;
    return result;
}

// Reads from caller memory; on success *size receives the bytes consumed.
template <class Load>
int LoadFromMemory(const void* data, int* size, Load&& load) {
    if (data == nullptr || size == nullptr) return 0;
    CBufferReader reader(data, *size, 0, 0);
    const int result = load(reader);
    if (result == 0) return 0;
    *size = reader.GetPosition();
    return result;
}

}  // namespace

// ---- frame --------------------------------------------------------------------------------

int CNameObject::SaveData(CBufferWriter& writer, int sections) {
    std::uint32_t wanted = static_cast<std::uint32_t>(sections);
    if (GetIsServerMode()) {
        LoadDataFromDatabase(wanted);
        wanted &= m_nInitState;
    }
    writer.Reserve(kTypicalFrameSize);
    const int maskOffset = writer.GetLength() + 12;
    const int lengthOffset = maskOffset + 4;
    if (!writer.Write(m_nClassID) || !writer.Write(m_nID) || !writer.Write(m_nServerNO) ||
        !writer.Write(wanted) || !writer.Write(static_cast<std::uint32_t>(0))) {
        return 0;
    }
    const int bodyStart = writer.GetLength();
    const bool all = wanted == SECTION_WHOLE_OBJECT;
    std::uint32_t written = 0;
    for (const FrameSection& section : kFrameSections) {
        if (!all && (wanted & section.bit) == 0) continue;
        if (!section.save(*this, writer)) return 0;
        written |= section.bit;
    }
    const std::int32_t bodyLength = writer.GetLength() - bodyStart;
    if (!writer.ChangeBuffer(maskOffset, &written, 4) ||
        !writer.ChangeBuffer(lengthOffset, &bodyLength, 4)) {
        return 0;
    }
    return written != 0 ? static_cast<int>(written) : static_cast<int>(SECTION_WHOLE_OBJECT);
}

int CNameObject::LoadData(CBufferReader& reader, int sections, int restArg) {
    std::uint32_t header[5];
    if (!reader.CurrentPtr_Test_Next(kHeaderSize, 1)) return 0;
    for (std::uint32_t& word : header) reader.Read(word);
    const std::uint32_t present = header[3];

    // The class must be known here: it has a record with a creator, and for a class other
    // than this object's own the creator makes an object (which is not kept).
    const OBJECT_CLASS_INFO* record = GetClsInfo(header[0]);
    if (record == nullptr || record->pfnCreateObject == nullptr) return 0;
    if (header[0] != m_nClassID && !record->pfnCreateObject()) return 0;

    if ((present & SECTION_BASIC_DATA) == 0) {
        m_nClassID = header[0];
        m_nID = header[1];
        m_nServerNO = header[2];
    }
    const std::uint32_t wanted = static_cast<std::uint32_t>(sections);
    std::uint32_t loaded = 0;
    std::uint32_t result = 0;
    for (const FrameSection& section : kFrameSections) {
        if ((present & section.bit) == 0) continue;
        const bool requested = (wanted & section.bit) != 0;
        if (!section.load(*this, reader, requested ? 1 : 0, requested ? restArg : 0)) return 0;
        loaded |= section.bit;
        if (requested) result |= section.bit;
    }
    m_nInitState |= loaded;
    return result != 0 ? static_cast<int>(result) : static_cast<int>(SECTION_WHOLE_OBJECT);
}

int CNameObject::SaveData(void* data, int* size, int sections) {
    return SaveToMemory(data, size, [&](CBufferWriter& w) { return SaveData(w, sections); });
}

int CNameObject::LoadData(const void* data, int* size, int sections, int restArg) {
    return LoadFromMemory(data, size,
                          [&](CBufferReader& r) { return LoadData(r, sections, restArg); });
}

std::shared_ptr<CNameObject> CNameObject::CreateOfBuffer(CBufferReader& reader, int& result, int) {
    result = 0;
    std::uint32_t classID = 0;
    if (!reader.CurrentPtr_Test_Next(4, 1)) return nullptr;
    std::memcpy(&classID, reader.CurrentPtr(), 4);
    std::shared_ptr<CNameObject> object = CreateNewObject(classID);
    if (!object) return nullptr;
    result = object->LoadData(reader, static_cast<int>(SECTION_WHOLE_OBJECT), 0);
    if (result == 0) return nullptr;
    return object;
}

// ---- basic section ------------------------------------------------------------------------

int CNameObject::SaveBasicData(CBufferWriter& writer) {
    SectionWriter section(writer);
    const bool ok = writer.Write(NAMEOBJECT_DATA_VERSION) && writer.Write(m_nClassID) &&
                    writer.Write(m_nID) && writer.Write(m_nServerNO) &&
                    writer.Write(m_nAttribute) && writer.Write(GetPrivateData()) &&
                    writer.WriteString(m_strShortName) && writer.WriteString(m_strFullName) &&
                    writer.WriteString(m_strDescription) && writer.Write(m_dtCreateTime) &&
                    writer.Write(m_dtModifyTime);
    return ok && section.Finish() ? 1 : 0;
}

int CNameObject::LoadBasicData(CBufferReader& reader) {
    SectionReader section(reader);
    if (!section.Open(NAMEOBJECT_DATA_VERSION)) return 0;

    // Read everything first and apply it only when the whole section is sound. A string
    // stored with count 0 keeps the field's current text.
    std::uint32_t words[5];
    if (!reader.CurrentPtr_Test_Next(static_cast<int>(sizeof(words)), 1)) return 0;
    for (std::uint32_t& word : words) reader.Read(word);
    // The names are read into fresh strings (the current ones are not copied) and replace the
    // fields only when the section is sound and their stored count was not 0.
    CString names[3];
    bool keep[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (!ReadName(reader, names[i], keep[i])) return 0;
    }
    COleDateTime created;
    COleDateTime modified;
    if (!reader.CurrentPtr_Test_Next(16, 1) || !reader.Read(created) || !reader.Read(modified)) {
        return 0;
    }
    if (!section.Finish()) return 0;

    m_nClassID = words[0];
    m_nID = words[1];
    m_nServerNO = words[2];
    m_nAttribute = words[3];
    m_nPrivateData = words[4];
    CString* fields[3] = {&m_strShortName, &m_strFullName, &m_strDescription};
    for (int i = 0; i < 3; ++i) {
        if (!keep[i]) fields[i]->str().swap(names[i].str());
    }
    m_dtCreateTime = created;
    m_dtModifyTime = modified;
    return 1;
}

int CNameObject::SaveBasicData(void* data, int* size) {
    return SaveToMemory(data, size, [&](CBufferWriter& w) { return SaveBasicData(w); });
}

int CNameObject::LoadBasicData(const void* data, int* size) {
    return LoadFromMemory(data, size, [&](CBufferReader& r) { return LoadBasicData(r); });
}

// ---- rest data ----------------------------------------------------------------------------

// The base level: a length word (8) and the version, nothing below it.
int CNameObject::SaveRestData(CBufferWriter& writer) {
    return SaveRestLevel(writer, nullptr, NAMEOBJECT_DATA_VERSION, nullptr);
}

// The base level does not judge its version (INT32_MAX accepts any); it only insists that
// the block is exactly its 8 bytes.
int CNameObject::LoadRestData(CBufferReader& reader, int) {
    return LoadRestLevel(reader, nullptr, INT32_MAX, nullptr);
}

int CNameObject::SaveRestData(void* data, int* size) {
    return SaveToMemory(data, size, [&](CBufferWriter& w) { return SaveRestData(w); });
}

int CNameObject::LoadRestData(const void* data, int* size, int restArg) {
    return LoadFromMemory(data, size, [&](CBufferReader& r) { return LoadRestData(r, restArg); });
}

// The older raw form: the base holds only its 4-byte version.
int CNameObject::LoadRestData_V2(const void* data, int* size, int) {
    if (data == nullptr || size == nullptr) return 0;
    RawCursor cursor(data, *size);
    std::int32_t version = 0;
    if (cursor.Remaining() < 4) return 0;
    std::memcpy(&version, cursor.Current(), 4);
    cursor.Skip(4);
    if (version > NAMEOBJECT_DATA_VERSION) return 0;
    *size = cursor.Used();
    return 1;
}

// ---- database variants --------------------------------------------------------------------

int CNameObject::LoadDatabaseData(CBufferReader& reader, int sections, int restArg) {
    return LoadData(reader, sections, restArg);
}

int CNameObject::SaveDatabaseData(CBufferWriter& writer, int sections) {
    return SaveData(writer, sections);
}

int CNameObject::LoadDatabaseBasicData(CBufferReader& reader) { return LoadBasicData(reader); }

int CNameObject::SaveDatabaseBasicData(CBufferWriter& writer) { return SaveBasicData(writer); }

int CNameObject::SaveDatabaseRestData(CBufferWriter& writer) {
    return writer.Write(NAMEOBJECT_DATA_VERSION) ? 1 : 0;
}

int CNameObject::LoadDatabaseRestData(CBufferReader& reader, int version) {
    ReadGuard guard(reader);
    if (version < kFirstLengthPrefixedRestVersion) {
        // Rows of older versions hold the raw form; the reader is left where it is.
        int size = reader.Remaining();
        return LoadRestData_V2(reader.CurrentPtr(), &size, version) ? guard.Commit() : 0;
    }
    if (!LoadRestData(reader, version) || !LoadObjectImage(reader, 1)) return 0;
    return guard.Commit();
}
