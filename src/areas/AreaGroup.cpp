#include "areas/AreaGroup.h"

NO_IMPLEMENT_OBJECT_CLASS(CAreaGroup, CContainer, 63, 0x83000100)

CAreaGroup::CAreaGroup() { m_nClassID = 63; }

CAreaGroup::~CAreaGroup() = default;
