// CArticleBase: base of the installation's article classes (no data of its own).
#pragma once

#include "membership/AccessObject.h"

class NAMEOBJECT_API CArticleBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CArticleBase, 6000, 0x83000100)

public:

    CArticleBase();
    ~CArticleBase() override;
};
