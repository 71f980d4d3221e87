#include "operators/OndutyGroupMJ.h"

NO_IMPLEMENT_OBJECT_CLASS(COndutyGroupMJ, COperatorGroup)

COndutyGroupMJ::COndutyGroupMJ() { m_nClassID = kClassID; }

COndutyGroupMJ::~COndutyGroupMJ() = default;
