// COptionBase: base of the installation's option records (no data of its own).
#pragma once

#include "membership/AccessObject.h"

class NAMEOBJECT_API COptionBase : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(COptionBase, 1800, 0x83000100)

public:
    COptionBase();
    ~COptionBase() override;

    using CAccessObject::LoadRestData;
    using CAccessObject::SaveRestData;
    int SaveRestData(CBufferWriter& writer) override;
    int LoadRestData(CBufferReader& reader, int restArg) override;
};
