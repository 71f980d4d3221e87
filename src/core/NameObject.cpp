// CNameObject: construction, the base behaviour of the virtual operations, lazy loading,
// cloning and the merge of an incoming copy.
#include "core/NameObject.h"

#include "core/RelationSink.h"
#include "platform/Config.h"
#include "platform/Database.h"
#include "registry/ClassRegistry.h"
#include "registry/ServerIdentity.h"

NO_IMPLEMENT_OBJECT_CLASS(CNameObject, CObject)

namespace {

constinit ObjectRelationSink g_relationSink{};

// The class registry learns the class tree from one sample object per class.
const CRuntimeClass* SampleRuntimeClass(const OBJECT_CLASS_INFO& record) {
    if (record.pfnCreateObject == nullptr) return nullptr;
    std::shared_ptr<CNameObject> sample = record.pfnCreateObject();
    if (!sample) return nullptr;
    const CRuntimeClass* runtimeClass = sample->GetRuntimeClass();
    sample->FinalRelease();
    return runtimeClass;
}

const bool g_classSampleHookSet =
    (SetClassSampleHook({CNameObject::GetThisClass(), &SampleRuntimeClass}), true);

}  // namespace

void SetObjectRelationSink(const ObjectRelationSink& sink) { g_relationSink = sink; }

CNameObject::CNameObject() : m_nClassID(kClassID) {
    // A server holds every section of its objects; a client fetches them on demand.
    if (GetIsServerMode()) {
        m_nServerNO = GetCurrentServerNO();
        m_nInitState = SECTION_WHOLE_OBJECT;
    } else {
        m_nServerNO = 0;
        m_nInitState = 0;
    }
}

CNameObject::~CNameObject() = default;

void CNameObject::Release() { delete this; }

void CNameObject::FinalRelease() {}

std::uint32_t CNameObject::GetPrivateData() { return m_nPrivateData; }

int CNameObject::Lock() { return 1; }

int CNameObject::Unlock() { return 1; }

int CNameObject::OnLoad(int) { return 1; }

void CNameObject::SetDevicePointsData(CBufferReader&) {}

// ---- relations --------------------------------------------------------------------------

void CNameObject::InitObjectRelation() {
    UpdateObjectRelated(RELATED_OP_BUILD, weak_from_this().lock(), 0xFFFFFFFF, m_nInitState);
}

int CNameObject::OnAfterObjectInsert() {
    InitObjectRelation();
    return 0;
}

void CNameObject::UpdateObjectRelated(int operation, std::shared_ptr<CNameObject>, std::uint32_t,
                                      std::uint32_t) {
    if (operation != RELATED_OP_DELETE && operation != RELATED_OP_CHANGE &&
        operation != RELATED_OP_BUILD) {
        return;
    }
    const MJOBJECT_KEY key = GetObjectUniqueID();
    std::set<std::uint32_t> classIDs;
    GetRelativeObjectClassID(classIDs);
    if (g_relationSink.removeOwner == nullptr || g_relationSink.insertOwner == nullptr) return;
    for (std::uint32_t classID : classIDs) g_relationSink.removeOwner(classID, key);
    if (operation == RELATED_OP_DELETE) return;
    for (std::uint32_t classID : classIDs) {
        std::set<std::uint32_t> ids;
        GetRelativeObject(classID, ids);
        g_relationSink.insertOwner(classID, key, ids);
    }
}

void CNameObject::GetRelativeObject(std::uint32_t, std::set<std::uint32_t>&) {}

void CNameObject::GetRelativeObjectClassID(std::set<std::uint32_t>&) {}

void CNameObject::GetChangeableExtProperty(std::map<std::uint32_t, std::set<std::uint32_t>>&) {}

int CNameObject::IsRelativeObject(std::uint32_t classID, std::uint32_t id) {
    std::set<std::uint32_t> ids;
    GetRelativeObject(classID, ids);
    return ids.count(id) != 0 ? 1 : 0;
}

void CNameObject::GetChangeableAttribute(CNameObjectAttribute& attributes) {
    attributes.AddAttribute(1, 0x07001001);
    attributes.AddAttribute(1, 0x07001002);
    for (std::uint32_t value = 0x0700C000; value < 0x0700CFFF; ++value) {
        attributes.AddAttribute(1, value);
    }
}

// ---- lazy loading -------------------------------------------------------------------------

int CNameObject::LoadDataFromDatabase(std::uint32_t sections) {
    const std::uint32_t missing = sections & SECTION_ALL & ~m_nInitState;
    int ok = 1;
    const struct {
        std::uint32_t bit;
        int (CNameObject::*load)();
    } steps[] = {
        {SECTION_OBJECT_IMAGE, &CNameObject::LoadFromDatabase_LoadImage},
        {SECTION_REST_DATA, &CNameObject::LoadFromDatabase_LoadResData},
        {SECTION_EXT_DATA, &CNameObject::LoadFromDatabase_LoadExtData},
    };
    for (const auto& step : steps) {
        if ((missing & step.bit) == 0) continue;
        if ((this->*step.load)()) {
            m_nInitState |= step.bit;
        } else {
            ok = 0;
        }
    }
    return ok;
}

int CNameObject::LoadFromDatabase_LoadImage() {
    CADODatabase* db = GetDatabase();
    if (db == nullptr) return 0;
    return LoadDatabaseImage(db) == 0 ? 1 : 0;
}

int CNameObject::LoadFromDatabase_LoadResData() { return 1; }

int CNameObject::LoadFromDatabase_LoadExtData() {
    return CNameObjectExtData::InitObjectExtData(m_nClassID, m_nID, m_nServerNO) != 0 ? 1 : 0;
}

void CNameObject::FreePhotoMemory(std::uint32_t sections) {
    if ((sections & SECTION_OBJECT_IMAGE) == 0 || (m_nInitState & SECTION_OBJECT_IMAGE) == 0) {
        return;
    }
    m_mapImageInfo.Reset();
    m_nInitState &= ~static_cast<std::uint32_t>(SECTION_OBJECT_IMAGE);
}

// ---- copies -------------------------------------------------------------------------------

std::shared_ptr<CNameObject> CNameObject::Clone(std::uint32_t sections) {
    std::shared_ptr<CNameObject> copy = CreateNewObject(GetObjectClassID());
    if (!copy) return copy;
    CBufferWriter writer(128);
    SaveData(writer, static_cast<int>(sections));
    CBufferReader reader(writer);
    copy->LoadData(reader, static_cast<int>(SECTION_WHOLE_OBJECT), 0);
    return copy;
}

std::int32_t CNameObject::OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                         std::uint32_t sections) {
    if (!other) return E_OBJECT_NULL;
    LoadDataFromDatabase(sections & ~m_nInitState & SECTION_ALL);

    if ((sections & SECTION_OBJECT_IMAGE) != 0 &&
        CheckImageChanged(other->m_mapImageInfo.Edit()) != 0) {
        changed |= SECTION_OBJECT_IMAGE;
    }

    if ((sections & SECTION_BASIC_DATA) != 0) {
        bool any = false;
        auto take = [&any](auto& mine, const auto& theirs) {
            if (!(mine == theirs)) {
                mine = theirs;
                any = true;
            }
        };
        take(m_nClassID, other->m_nClassID);
        take(m_nID, other->m_nID);
        take(m_nAttribute, other->m_nAttribute);
        take(m_strShortName, other->m_strShortName);
        take(m_strFullName, other->m_strFullName);
        take(m_strDescription, other->m_strDescription);
        if (any) changed |= SECTION_BASIC_DATA;
    }

    std::int32_t result = OnExtAttributeChange(other, changed, sections);
    if (result < 0) return result;
    result = OnExtPropertyChange(other, changed, sections);
    if (result < 0) return result;
    result = OnExtDataChange(other, changed, sections);
    if (result < 0) return result;
    return 0;
}

std::int32_t CNameObject::OnExtAttributeChange(std::shared_ptr<CNameObject> other,
                                               std::uint32_t& changed, std::uint32_t sections) {
    if (!other) return E_OBJECT_NULL;
    return _OnExtAttributeChange(*other, changed, sections);
}

std::int32_t CNameObject::OnExtPropertyChange(std::shared_ptr<CNameObject> other,
                                              std::uint32_t& changed, std::uint32_t sections) {
    if (!other) return E_OBJECT_NULL;
    return _OnExtPropertyChange(*other, changed, sections);
}

std::int32_t CNameObject::OnExtDataChange(std::shared_ptr<CNameObject> other,
                                          std::uint32_t& changed, std::uint32_t sections) {
    if (!other) return E_OBJECT_NULL;
    return _OnExtDataChange(*other, changed, sections);
}
