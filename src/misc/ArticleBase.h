// CArticleBase: base of the installation's article classes (no data of its own).
#pragma once

#include "membership/AccessObject.h"

class CArticleBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CArticleBase)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    CArticleBase();
    ~CArticleBase() override;
};
