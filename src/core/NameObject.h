// CNameObject: the base of every configured object. Holds the key, names, times and
// attribute word, the facets (attributes, extension data, properties, images, change log),
// the mask of sections present in memory, and the virtual operations every class may
// override, in their fixed order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "core/ClassFrame.h"
#include "core/NameObjectAttribute.h"
#include "core/NameObjectCommonAttribute.h"
#include "core/NameObjectExtData.h"
#include "core/NameObjectLog.h"
#include "core/NameObjectProperty.h"
#include "core/ObjectKey.h"
#include "core/ResultCodes.h"
#include "core/Sections.h"
#include "platform/BufferIO.h"
#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/LazyMember.h"
#include "platform/OleDateTime.h"

class CADODatabase;

// Operations of UpdateObjectRelated.
enum : int {
    RELATED_OP_DELETE = 0,  // the object was deleted
    RELATED_OP_CHANGE = 1,  // the object changed (other: its earlier state)
    RELATED_OP_BUILD = 2,   // the object was loaded or inserted
};

class NAMEOBJECT_API CNameObject : public CObject,
                                   public std::enable_shared_from_this<CNameObject>,
                                   public CNameObjectAttribute,
                                   public CNameObjectExtData,
                                   public CNameObjectCommonAttribute,
                                   public CNameObjectProperty,
                                   public CNameObjectLog {
    NO_DECLARE_OBJECT_CLASS(CNameObject, 1, 0x83000200)

public:
    // One image of the object: its index, when it last changed, its bytes (opaque).
    struct ImageInfo {
        std::uint32_t m_nIndex = 0;
        COleDateTime m_dtLastChangeTime;
        CBufferWriter m_imgData;
    };
    using ImageMap = std::map<std::uint32_t, ImageInfo>;

    CNameObject();
    ~CNameObject() override;

    // ---- accessors ---------------------------------------------------------------
    std::uint32_t GetID() const { return m_nID; }
    void SetID(std::uint32_t id) { m_nID = id; }
    std::uint32_t GetObjectClassID() const { return m_nClassID; }
    void SetClassID(std::uint32_t classID) { m_nClassID = classID; }
    std::uint32_t GetServerNO() const { return m_nServerNO; }
    void SetServerNO(std::uint32_t serverNO) { m_nServerNO = serverNO; }
    std::uint32_t GetAttribute() const { return m_nAttribute; }
    void SetAttribute(std::uint32_t attribute) { m_nAttribute = attribute; }
    using CNameObjectAttribute::SetAttribute;  // the facet's (class, value, on) form
    COleDateTime GetCreateTime() const { return m_dtCreateTime; }
    void SetCreateTime(const COleDateTime& t) { m_dtCreateTime = t; }
    COleDateTime GetModifyTime() const { return m_dtModifyTime; }
    void SetModifyTime(const COleDateTime& t) { m_dtModifyTime = t; }
    CString GetShortName() const { return m_strShortName; }
    CString GetFullName() const { return m_strFullName; }
    CString GetDescription() const { return m_strDescription; }
    int SetShortName(CString name) {
        m_strShortName = std::move(name);
        return 1;
    }
    int SetFullName(CString name) {
        m_strFullName = std::move(name);
        return 1;
    }
    int SetDescription(CString text) {
        m_strDescription = std::move(text);
        return 1;
    }
    std::uint32_t GetObjectPrivateData() const { return m_nPrivateData; }
    std::uint32_t GetObjectInitState() const { return m_nInitState; }
    void SetObjectInitState(std::uint32_t state) { m_nInitState = state; }
    static std::uint32_t GetAllInitState() { return SECTION_ALL; }
    MJOBJECT_KEY GetObjectUniqueID() const { return {m_nClassID, m_nID, m_nServerNO}; }
    std::uint64_t MakeClassIDAndIDKey() const { return ::MakeClassIDAndIDKey(m_nClassID, m_nID); }

    // Images.
    CBufferWriter* GetPhotoImage(std::uint32_t index);
    CBufferWriter* GetPhotoImage(std::uint32_t index, COleDateTime& time);
    COleDateTime GetPhotoLastChangeTime(std::uint32_t index) const;  // 0.0 when absent
    void SetPhotoLastChangeTimeCOleDateTime(std::uint32_t index, const COleDateTime& time);
    void SetPhotoImage(std::uint32_t index, const COleDateTime& time, const CBufferWriter& data);
    void CheckImageInfo();  // drops every image with empty data

    // ---- virtual operations, in slot order -------------------------------------
    // Results: int operations return 1 on success and 0 on failure unless said otherwise;
    // std::int32_t operations return 0 (S_SUCCESS) or a negative result code. A reader that
    // fails leaves its reader at the position it started from.

    virtual void Release();       // deletes the object (for callers that own a raw pointer)
    virtual void FinalRelease();  // breaks the object's links before it is dropped; no result
    virtual std::uint32_t GetPrivateData();  // the private data word
    virtual int Lock();                      // 1; objects have no locks of their own
    virtual int Unlock();                    // 1
    // Called by the bulk loader with the row's data version; 0 keeps the object out of the store.
    virtual int OnLoad(int version);
    // Files the references the object holds in its parameters in the relation index.
    virtual void InitObjectRelation();
    virtual void SetDevicePointsData(CBufferReader& reader);  // ignores the bytes at this level
    // Merges the requested sections of a changed copy into this object and sets the bits of
    // the sections that differed in `changed`. 0, or E_OBJECT_NULL for an empty copy.
    virtual std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                        std::uint32_t sections);
    // The changeable part of one facet of the copy: 0, or a negative result code.
    virtual std::int32_t OnExtAttributeChange(std::shared_ptr<CNameObject> other,
                                              std::uint32_t& changed, std::uint32_t sections);
    virtual std::int32_t OnExtPropertyChange(std::shared_ptr<CNameObject> other,
                                             std::uint32_t& changed, std::uint32_t sections);
    virtual std::int32_t OnExtDataChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                         std::uint32_t sections);
    // Rewrite the object's NameObject row (whole, one facet, or the modification time).
    // 0, E_DATABASE_UNAVAILABLE without a connection, E_DATABASE_OPERATION when the row is
    // missing or cannot be written.
    virtual std::int32_t UpdateRecord();
    virtual std::int32_t UpdateAttributeData();
    virtual std::int32_t UpdatePropertyData();
    virtual std::int32_t UpdateRecordOfModifyTime();
    // Writes a frame of the requested sections (a server first loads missing ones). Returns
    // the mask of sections written, SECTION_WHOLE_OBJECT when none was, 0 on a write failure.
    virtual int SaveData(CBufferWriter& writer, int sections);
    virtual int SaveData(void* data, int* size, int sections);
    // Reads a frame: every present section is read, the requested ones are applied. Returns
    // the mask of requested sections applied, SECTION_WHOLE_OBJECT when none was requested,
    // 0 for a truncated frame, an unknown class or a bad section.
    virtual int LoadData(CBufferReader& reader, int sections, int restArg);
    virtual int LoadData(const void* data, int* size, int sections, int restArg);
    // The basic section (key, attribute, names, times): 1 or 0.
    virtual int SaveBasicData(CBufferWriter& writer);
    virtual int SaveBasicData(void* data, int* size);
    virtual int LoadBasicData(CBufferReader& reader);
    virtual int LoadBasicData(const void* data, int* size);
    // The rest data, one length-framed level per class: 1, or 0 for a version newer than the
    // class's or a level whose bytes are not consumed exactly. The memory forms take the bytes
    // available in *size and return the bytes used (or needed) in it.
    virtual int SaveRestData(CBufferWriter& writer);
    virtual int SaveRestData(void* data, int* size);
    virtual int LoadRestData(CBufferReader& reader, int restArg);
    virtual int LoadRestData(const void* data, int* size, int restArg);
    // The database forms of the frame and its sections: as SaveData/LoadData and the section
    // readers above; LoadDatabaseRestData reads the raw form for versions before 0x03000000.
    virtual int LoadDatabaseData(CBufferReader& reader, int sections, int restArg);
    virtual int SaveDatabaseData(CBufferWriter& writer, int sections);
    virtual int LoadDatabaseBasicData(CBufferReader& reader);
    virtual int SaveDatabaseBasicData(CBufferWriter& writer);
    virtual int LoadDatabaseRestData(CBufferReader& reader, int version);
    virtual int SaveDatabaseRestData(CBufferWriter& writer);
    // The image section: 1, or 0 for a length below 4, a too-new version, a bad count or a
    // section not consumed exactly (the images stay as they were). apply 0 skips the section.
    virtual int LoadObjectImage(CBufferReader& reader, int apply);
    virtual int SaveObjectImage(CBufferWriter& writer);
    // The older raw rest form from memory: 1 and the bytes used in *size, or 0.
    virtual int LoadRestData_V2(const void* data, int* size, int version);
    virtual ImageMap& GetAllImageInfo();  // the live image map
    // The ObjectImage rows of the object: 0, E_DATABASE_UNAVAILABLE for a null database,
    // E_DATABASE_OPERATION for a failed statement, E_OUT_OF_MEMORY (LoadDatabaseImage).
    virtual std::int32_t InsertDatabaseImage(CADODatabase* db);
    virtual std::int32_t DeleteDatabaseImage(CADODatabase* db);
    virtual std::int32_t UpdateDatabaseImage(CADODatabase* db);
    virtual std::int32_t LoadDatabaseImage(CADODatabase* db);
    // Takes the images of an incoming set that differ and rewrites their rows: 1 when any
    // image changed, else 0 (also without a database).
    virtual int CheckImageChanged(ImageMap& newImages);
    // Loads the sections of `sections` not yet held (images, rest data, extension data) and
    // marks them held: 1, or 0 when any of them failed.
    virtual int LoadDataFromDatabase(std::uint32_t sections);
    virtual int LoadFromDatabase_LoadImage();    // 1, or 0 without a database or on failure
    virtual int LoadFromDatabase_LoadResData();  // 1: rest data arrives with the row
    virtual int LoadFromDatabase_LoadExtData();  // 1, or 0 when the rows cannot be read
    // Drops the images when `sections` names them and they are held; they load again on demand.
    virtual void FreePhotoMemory(std::uint32_t sections);
    // A new object of the same class holding the given sections; empty for an unregistered class.
    virtual std::shared_ptr<CNameObject> Clone(std::uint32_t sections);
    virtual int OnAfterObjectInsert();  // files the object's relations; 0
    // Adds the attribute values a changed copy may change (class 1: 0x07001001, 0x07001002,
    // 0x0700C000 .. 0x0700CFFE).
    virtual void GetChangeableAttribute(CNameObjectAttribute& attributes);
    // The property keys a changed copy may change, by property class (none at this level).
    virtual void GetChangeableExtProperty(
        std::map<std::uint32_t, std::set<std::uint32_t>>& properties);
    // The IDs of classID the object names in its parameters, and the classes it names.
    virtual void GetRelativeObject(std::uint32_t classID, std::set<std::uint32_t>& ids);
    virtual int IsRelativeObject(std::uint32_t classID, std::uint32_t id);  // 1 or 0
    virtual void GetRelativeObjectClassID(std::set<std::uint32_t>& classIDs);
    // Refiles the object's references in the relation index (RELATED_OP_BUILD / _CHANGE) or
    // removes them (RELATED_OP_DELETE); other operations do nothing.
    virtual void UpdateObjectRelated(int operation, std::shared_ptr<CNameObject> other,
                                     std::uint32_t value, std::uint32_t sections);

    // ---- static operations --------------------------------------------------------
    // The class-registry entries of the base class. InsertObject writes the object's row
    // (a new local ID unless it is the server object or another server's), images and
    // extension data, and files it: 0, E_OBJECT_NULL, E_DATABASE_UNAVAILABLE,
    // E_ALLOC_OBJECT_ID, E_DATABASE_OPERATION or E_OUT_OF_MEMORY. DeleteObject removes the
    // row, extension data, images, relations and store entry: 0, E_OBJECT_NULL,
    // E_DATABASE_UNAVAILABLE or E_DATABASE_OPERATION. InitObjectMap loads nothing: 0.
    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);
    static std::int32_t InitObjectMap();
    // A new object read from a frame; empty when the class is unknown or loading failed.
    static std::shared_ptr<CNameObject> CreateOfBuffer(CBufferReader& reader, int& result,
                                                       int unused);
    // Image rows of any object.
    static std::int32_t InsertDatabaseImage(CADODatabase* db, std::uint32_t classID,
                                            std::uint32_t id, std::uint32_t serverNO,
                                            const ImageMap& images);
    static std::int32_t DeleteDatabaseImage(CADODatabase* db, std::uint32_t classID,
                                            std::uint32_t id, std::uint32_t serverNO,
                                            const ImageMap& images);
    static std::int32_t DeleteDatabaseImage(CADODatabase* db, std::uint32_t classID,
                                            std::uint32_t id, std::uint32_t serverNO,
                                            const std::vector<std::uint32_t>& indexes);

    // The highest data version seen in an extension-data section too new to be read.
    static std::int32_t m_nMinVersion;

protected:
    std::uint32_t m_nClassID;
    std::uint32_t m_nAttribute = 0xFFFFFFFF;
    std::uint32_t m_nID = 0xFFFFFFFF;
    std::uint32_t m_nServerNO;
    CString m_strDescription;
    CString m_strShortName;
    CString m_strFullName;
    COleDateTime m_dtCreateTime;
    COleDateTime m_dtModifyTime;
    std::uint32_t m_nPrivateData = 0;
    LazyMember<ImageMap> m_mapImageInfo;  // created when the first image arrives
    std::uint32_t m_nInitState;
};

using CNameObjectPtr = std::shared_ptr<CNameObject>;

// The class's delete function (see ClassRegistry.h) for the object's own key; E_OBJECT_NULL
// for an empty pointer, an unregistered class or an object not in the store.
NAMEOBJECT_API std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);

// Seconds an alarm is displayed: property (0, 0x7006001) of the server object, default 600,
// clamped to 10 .. 864000.
NAMEOBJECT_API std::uint32_t GetServerAlarmDisplayTime();
// Whether alarms need confirmation: attribute (0, 0x7008001) of the server object; 0 without it.
NAMEOBJECT_API int GetServerNeedConfirmAlarm();
