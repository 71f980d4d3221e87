// CAdminActor: the built-in administrator operator of a server.
#pragma once

#include "operators/Operator.h"

class NAMEOBJECT_API CAdminActor : public COperator {
    NO_DECLARE_OBJECT_CLASS(CAdminActor, 1201, 0x83000100)

public:

    CAdminActor();
    ~CAdminActor() override;
};
