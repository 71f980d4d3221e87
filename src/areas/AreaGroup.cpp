#include "areas/AreaGroup.h"

NO_IMPLEMENT_OBJECT_CLASS(CAreaGroup, CContainer)

CAreaGroup::CAreaGroup() { m_nClassID = kClassID; }

CAreaGroup::~CAreaGroup() = default;
