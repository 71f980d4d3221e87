#include "operators/ServiceGroupMJ.h"

NO_IMPLEMENT_OBJECT_CLASS(CServiceGroupMJ, COperatorGroup, 1302, 0x83000100)

CServiceGroupMJ::CServiceGroupMJ() { m_nClassID = 1302; }

CServiceGroupMJ::~CServiceGroupMJ() = default;
