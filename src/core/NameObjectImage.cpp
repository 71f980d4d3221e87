// The image facet of CNameObject: the image map, its section of the frame, and its rows in
// ObjectImage.
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "core/NameObject.h"
#include "platform/Config.h"
#include "platform/Database.h"
#include "platform/NoThrow.h"
#include "platform/StringFormat.h"

namespace {

// Smallest encoding of one image: key, index, time, byte count.
constexpr int kMinImageBytes = 4 + 4 + 8 + 4;

int ReadImage(CBufferReader& reader, std::uint32_t& key, CNameObject::ImageInfo& image) {
    return reader.Read(key) && reader.Read(image.m_nIndex) &&
           reader.Read(image.m_dtLastChangeTime) && reader.ReadBlock(image.m_imgData);
}

}  // namespace

// ---- the image map -------------------------------------------------------------------------

CNameObject::ImageMap& CNameObject::GetAllImageInfo() { return m_mapImageInfo.Edit(); }

namespace {

// The image of index in images (which may be null); null when absent.
CNameObject::ImageInfo* FindImage(CNameObject::ImageMap* images, std::uint32_t index) {
    if (images == nullptr) return nullptr;
    const auto it = images->find(index);
    return it == images->end() ? nullptr : &it->second;
}

}  // namespace

CBufferWriter* CNameObject::GetPhotoImage(std::uint32_t index) {
    ImageInfo* image = FindImage(m_mapImageInfo.Present(), index);
    return image == nullptr ? nullptr : &image->m_imgData;
}

CBufferWriter* CNameObject::GetPhotoImage(std::uint32_t index, COleDateTime& time) {
    ImageInfo* image = FindImage(m_mapImageInfo.Present(), index);
    if (image == nullptr) return nullptr;
    time = image->m_dtLastChangeTime;
    return &image->m_imgData;
}

COleDateTime CNameObject::GetPhotoLastChangeTime(std::uint32_t index) const {
    const ImageMap& images = m_mapImageInfo.Get();
    const auto it = images.find(index);
    return it == images.end() ? COleDateTime() : it->second.m_dtLastChangeTime;
}

void CNameObject::SetPhotoLastChangeTimeCOleDateTime(std::uint32_t index,
                                                     const COleDateTime& time) {
    if (ImageInfo* image = FindImage(m_mapImageInfo.Present(), index)) {
        image->m_dtLastChangeTime = time;
    }
}

void CNameObject::SetPhotoImage(std::uint32_t index, const COleDateTime& time,
                                const CBufferWriter& data) {
    ImageInfo& image = m_mapImageInfo.Edit()[index];
    image.m_imgData = data;
    image.m_dtLastChangeTime = time;
    image.m_nIndex = index;
}

void CNameObject::CheckImageInfo() {
    ImageMap* images = m_mapImageInfo.Present();
    if (images == nullptr) return;
    std::erase_if(*images,
                  [](const auto& entry) { return entry.second.m_imgData.GetLength() == 0; });
}

// ---- the section ---------------------------------------------------------------------------

int CNameObject::SaveObjectImage(CBufferWriter& writer) {
    if (GetIsServerMode() && (m_nInitState & SECTION_OBJECT_IMAGE) == 0 &&
        LoadFromDatabase_LoadImage()) {
        m_nInitState |= SECTION_OBJECT_IMAGE;
    }
    SectionWriter section(writer);
    const ImageMap& images = m_mapImageInfo.Get();
    if (!writer.Write(NAMEOBJECT_DATA_VERSION) ||
        !writer.Write(static_cast<std::int32_t>(images.size()))) {
        return 0;
    }
    for (const auto& [key, image] : images) {
        if (!writer.Write(key) || !writer.Write(image.m_nIndex) ||
            !writer.Write(image.m_dtLastChangeTime) || !writer.WriteBlock(image.m_imgData)) {
            return 0;
        }
    }
    return section.Finish();
}

int CNameObject::LoadObjectImage(CBufferReader& reader, int apply) {
    SectionReader section(reader);
    if (!section.ReadLength()) return 0;
    if (!apply) return section.Skip();

    std::int32_t count = 0;
    if (!section.ReadVersion(NAMEOBJECT_DATA_VERSION)) return 0;
    if (!ReadCount(reader, count, kMinImageBytes)) return 0;
    return GuardAllocation(0, [&] {
        // Read into a fresh map, so that a bad section leaves the images as they were.
        ImageMap images;
        for (std::int32_t i = 0; i < count; ++i) {
            std::uint32_t key = 0;
            ImageInfo image;
            if (!ReadImage(reader, key, image)) return 0;
            images[key] = std::move(image);
        }
        if (!section.Finish()) return 0;
        m_mapImageInfo.Set(std::move(images));
        return 1;
    });
}

// ---- the table -----------------------------------------------------------------------------

std::int32_t CNameObject::InsertDatabaseImage(CADODatabase* db, std::uint32_t classID,
                                              std::uint32_t id, std::uint32_t serverNO,
                                              const ImageMap& images) {
    if (images.empty()) return S_SUCCESS;
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    CADORecordset rs(db);
    if (!rs.Open(StrPrintf("SELECT * FROM ObjectImage where nClassID = %d and nID = %d",
                           static_cast<int>(classID), static_cast<int>(id)))) {
        return E_DATABASE_OPERATION;
    }
    std::int32_t result = S_SUCCESS;
    for (const auto& [index, image] : images) {
        if (image.m_imgData.GetLength() == 0) continue;
        const bool stored =
            rs.AddNew() && rs.SetFieldValue("nClassID", static_cast<unsigned int>(classID)) &&
            rs.SetFieldValue("nID", static_cast<unsigned int>(id)) &&
            rs.SetFieldValue("nServerNO", static_cast<unsigned int>(serverNO)) &&
            rs.SetFieldValue("nIndex", static_cast<unsigned int>(index)) &&
            rs.SetFieldValue("dateTime", image.m_dtLastChangeTime) &&
            rs.AppendChunk("imgPhoto", image.m_imgData.GetData(), image.m_imgData.GetLength()) &&
            rs.Update();
        if (!stored) {
            rs.CancelUpdate();
            result = E_DATABASE_OPERATION;
            break;
        }
    }
    rs.Close();
    return result;
}

std::int32_t CNameObject::DeleteDatabaseImage(CADODatabase* db, std::uint32_t classID,
                                              std::uint32_t id, std::uint32_t serverNO,
                                              const ImageMap& images) {
    if (images.empty()) return S_SUCCESS;
    std::vector<std::uint32_t> indexes;
    indexes.reserve(images.size());
    for (const auto& entry : images) indexes.push_back(entry.first);
    return DeleteDatabaseImage(db, classID, id, serverNO, indexes);
}

std::int32_t CNameObject::DeleteDatabaseImage(CADODatabase* db, std::uint32_t classID,
                                              std::uint32_t id, std::uint32_t serverNO,
                                              const std::vector<std::uint32_t>& indexes) {
    if (indexes.empty()) return S_SUCCESS;
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    std::string list = StrPrintf("%d", static_cast<int>(indexes.front()));
    for (std::size_t i = 1; i < indexes.size(); ++i) {
        list += StrPrintf(",%d", static_cast<int>(indexes[i]));
    }
    const std::string sql = StrPrintf(
        "Delete from ObjectImage where nClassID=%d and nID=%d and nServerNO=%d and nIndex in (%s)",
        static_cast<int>(classID), static_cast<int>(id), static_cast<int>(serverNO), list.c_str());
    return db->Execute(sql) ? S_SUCCESS : E_DATABASE_OPERATION;
}

std::int32_t CNameObject::InsertDatabaseImage(CADODatabase* db) {
    return InsertDatabaseImage(db, m_nClassID, m_nID, m_nServerNO, m_mapImageInfo.Get());
}

std::int32_t CNameObject::DeleteDatabaseImage(CADODatabase* db) {
    if (m_mapImageInfo.Get().empty()) return S_SUCCESS;
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    const std::string sql = StrPrintf(
        "Delete from ObjectImage where nClassID=%d and nID=%d and nServerNO=%d",
        static_cast<int>(m_nClassID), static_cast<int>(m_nID), static_cast<int>(m_nServerNO));
    return db->Execute(sql) ? S_SUCCESS : E_DATABASE_OPERATION;
}

std::int32_t CNameObject::UpdateDatabaseImage(CADODatabase* db) {
    CDatabaseWriteScope unit(db);
    const std::int32_t deleted = DeleteDatabaseImage(db);
    const std::int32_t inserted = InsertDatabaseImage(db);
    return deleted < 0 ? deleted : inserted;
}

std::int32_t CNameObject::LoadDatabaseImage(CADODatabase* db) {
    if (db == nullptr) return E_DATABASE_UNAVAILABLE;
    return GuardAllocation(E_OUT_OF_MEMORY, [&] {
        CADORecordset rs(db);
        if (!rs.Open(StrPrintf("Select nClassID, nID, nIndex, dateTime, imgPhoto from "
                               "ObjectImage where nClassID=%d and nID = %d and nServerNO = %d",
                               static_cast<int>(m_nClassID), static_cast<int>(m_nID),
                               static_cast<int>(m_nServerNO)))) {
            return E_DATABASE_OPERATION;
        }
        // Filled aside and swapped in at the end, so that a failed read keeps the old images.
        ImageMap images;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            if (rs.GetFieldActualSize(4) <= 0) continue;
            unsigned int index = 0;
            COleDateTime time;
            CBufferReader blob;
            if (!rs.GetFieldValue(2, index) || !rs.GetFieldValue(3, time) ||
                !ReadBlobColumn(rs, 4, blob)) {
                return E_DATABASE_OPERATION;
            }
            ImageInfo& image = images[index];
            image.m_nIndex = index;
            image.m_dtLastChangeTime = time;
            image.m_imgData.bytes().assign(blob.GetData(), blob.GetData() + blob.GetLength());
        }
        rs.Close();
        m_mapImageInfo.Set(std::move(images));
        m_nInitState |= SECTION_OBJECT_IMAGE;
        return S_SUCCESS;
    });
}

// ---- merging an incoming image set ---------------------------------------------------------

int CNameObject::CheckImageChanged(ImageMap& newImages) {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return 0;
    return GuardAllocation(0, [&] {
        const COleDateTime now = COleDateTime::GetCurrentTime();
        std::vector<std::uint32_t> deleteIndexes;
        std::vector<std::uint32_t> dropIndexes;
        ImageMap inserts;
        const auto replace = [&](ImageMap::iterator it, bool stamp) {
            deleteIndexes.push_back(it->first);
            if (stamp) it->second.m_dtLastChangeTime = now;
            inserts.insert(*it);
        };
        const auto drop = [&](std::uint32_t index) {
            deleteIndexes.push_back(index);
            dropIndexes.push_back(index);
        };

        ImageMap& images = m_mapImageInfo.Edit();
        auto oldIt = images.begin();
        auto newIt = newImages.begin();
        while (oldIt != images.end() && newIt != newImages.end()) {
            if (newIt->first < oldIt->first) {
                replace(newIt++, true);
            } else if (oldIt->first < newIt->first) {
                drop((oldIt++)->first);
            } else {
                if (!(oldIt->second.m_dtLastChangeTime == newIt->second.m_dtLastChangeTime)) {
                    dropIndexes.push_back(oldIt->first);
                    replace(newIt, true);
                }
                ++oldIt;
                ++newIt;
            }
        }
        // The tails: new images keep their own times.
        for (; newIt != newImages.end(); ++newIt) replace(newIt, false);
        for (; oldIt != images.end(); ++oldIt) drop(oldIt->first);

        if (!deleteIndexes.empty()) {
            DeleteDatabaseImage(db, m_nClassID, m_nID, m_nServerNO, deleteIndexes);
            for (std::uint32_t index : dropIndexes) images.erase(index);
        }
        if (!inserts.empty()) {
            images.insert(inserts.begin(), inserts.end());
            InsertDatabaseImage(db, m_nClassID, m_nID, m_nServerNO, inserts);
        }
        return deleteIndexes.empty() && inserts.empty() ? 0 : 1;
    });
}
