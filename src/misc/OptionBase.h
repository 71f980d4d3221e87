// COptionBase: base of the installation's option records (no data of its own).
#pragma once

#include "membership/AccessObject.h"

class COptionBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(COptionBase)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    COptionBase();
    ~COptionBase() override;
};
