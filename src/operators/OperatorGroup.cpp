#include "operators/OperatorGroup.h"

NO_IMPLEMENT_OBJECT_CLASS(COperatorGroup, CContainer, 1300, 0x83000100)

COperatorGroup::COperatorGroup() { m_nClassID = 1300; }

COperatorGroup::~COperatorGroup() = default;
