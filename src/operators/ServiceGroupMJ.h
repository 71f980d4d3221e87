// CServiceGroupMJ: the built-in service operator group of a server.
#pragma once

#include "operators/OperatorGroup.h"

class NAMEOBJECT_API CServiceGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(CServiceGroupMJ, 1302, 0x83000100)

public:

    CServiceGroupMJ();
    ~CServiceGroupMJ() override;
};
