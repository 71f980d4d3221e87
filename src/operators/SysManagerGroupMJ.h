// CSysManagerGroupMJ: the built-in system manager operator group of a server.
#pragma once

#include "operators/OperatorGroup.h"

class NAMEOBJECT_API CSysManagerGroupMJ : public COperatorGroup {
    NO_DECLARE_OBJECT_CLASS(CSysManagerGroupMJ, 1301, 0x83000100)

public:

    CSysManagerGroupMJ();
    ~CSysManagerGroupMJ() override;
};
