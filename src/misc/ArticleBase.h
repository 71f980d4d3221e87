// CArticleBase: base of the installation's article classes (no data of its own). Every
// article, whatever its class, is also filed in the object store under class 6000.
#pragma once

#include "membership/AccessObject.h"

class NAMEOBJECT_API CArticleBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CArticleBase, 6000, 0x83000100)

public:
    CArticleBase();
    ~CArticleBase() override;

    int OnLoad(int version) override;
    std::int32_t OnObjectChange(std::shared_ptr<CNameObject> other, std::uint32_t& changed,
                                std::uint32_t sections) override;
    using CAccessObject::LoadRestData;
    using CAccessObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;

    // The class-registry entries: the base insert / delete, then the class-6000 store entry
    // is added / removed when the result is not negative. Return the base's result.
    static std::int32_t InsertObject(std::shared_ptr<CNameObject> object);
    static std::int32_t DeleteObject(std::shared_ptr<CNameObject> object);
};
