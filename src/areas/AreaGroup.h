// CAreaGroup: a container of areas and area groups that gathers their alarm counters.
#pragma once

#include "membership/Container.h"

class CAreaGroup : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CAreaGroup)

public:
    static constexpr std::int32_t kDataVersion = 0x83000100 & 0x7FFFFFFF;

    CAreaGroup();
    ~CAreaGroup() override;
};
