#include "operators/ServiceGroupMJ.h"

NO_IMPLEMENT_OBJECT_CLASS(CServiceGroupMJ, COperatorGroup)

CServiceGroupMJ::CServiceGroupMJ() { m_nClassID = kClassID; }

CServiceGroupMJ::~CServiceGroupMJ() = default;
