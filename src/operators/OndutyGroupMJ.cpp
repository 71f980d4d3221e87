#include "operators/OndutyGroupMJ.h"

NO_IMPLEMENT_OBJECT_CLASS(COndutyGroupMJ, COperatorGroup, 1303, 0x83000100)

COndutyGroupMJ::COndutyGroupMJ() { m_nClassID = 1303; }

COndutyGroupMJ::~COndutyGroupMJ() = default;
