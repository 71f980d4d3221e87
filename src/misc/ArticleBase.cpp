#include "misc/ArticleBase.h"

#include "misc/AuxRestData.h"
#include "registry/ObjectStore.h"

NO_IMPLEMENT_OBJECT_CLASS(CArticleBase, CAccessObject)

CArticleBase::CArticleBase() { m_nClassID = kClassID; }

CArticleBase::~CArticleBase() = default;

std::int32_t CArticleBase::InsertObject(std::shared_ptr<CNameObject> object) {
    const std::int32_t result = CNameObject::InsertObject(object);
    if (result >= 0 && object) {
        GDM_Add(kClassID, object->GetID(), object->GetServerNO(), object);
    }
    return result;
}

std::int32_t CArticleBase::DeleteObject(std::shared_ptr<CNameObject> object) {
    const std::int32_t result = CAccessObject::DeleteObject(object);
    if (result >= 0 && object) GDM_Remove(kClassID, object->GetID(), object->GetServerNO());
    return result;
}

int CArticleBase::OnLoad(int version) {
    const int result = CNameObject::OnLoad(version);
    if (auto self = weak_from_this().lock()) GDM_Add(kClassID, m_nID, m_nServerNO, self);
    return result;
}

std::int32_t CArticleBase::OnObjectChange(std::shared_ptr<CNameObject> other,
                                          std::uint32_t& changed, std::uint32_t sections) {
    return CAccessObject::OnObjectChange(std::move(other), changed, sections);
}

int CArticleBase::SaveRestData(CBufferWriter& writer) {
    return SaveAuxRestData(*this, writer, kDataVersion);
}

int CArticleBase::LoadRestData(CBufferReader& reader, int restArg) {
    return LoadAuxRestData(*this, reader, restArg, kDataVersion);
}
