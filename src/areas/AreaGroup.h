// CAreaGroup: a container of areas and area groups that gathers their alarm counters.
#pragma once

#include "membership/Container.h"

class NAMEOBJECT_API CAreaGroup : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CAreaGroup, 63, 0x83000100)

public:

    CAreaGroup();
    ~CAreaGroup() override;
};
