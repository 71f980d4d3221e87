// COperatorGroup: a container of operators that grants and locks privileges.
#pragma once

#include "membership/Container.h"

class NAMEOBJECT_API COperatorGroup : public CContainer {
    NO_DECLARE_OBJECT_CLASS(COperatorGroup, 1300, 0x83000100)

public:

    COperatorGroup();
    ~COperatorGroup() override;
};
