// COndutyGroupMJ: the built-in on-duty operator group of a server.
#pragma once

#include "operators/OperatorGroup.h"

class NAMEOBJECT_API COndutyGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(COndutyGroupMJ, 1303, 0x83000100)

public:

    COndutyGroupMJ();
    ~COndutyGroupMJ() override;
};
