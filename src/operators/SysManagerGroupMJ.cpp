#include "operators/SysManagerGroupMJ.h"

NO_IMPLEMENT_OBJECT_CLASS(CSysManagerGroupMJ, COperatorGroup)

CSysManagerGroupMJ::CSysManagerGroupMJ() { m_nClassID = kClassID; }

CSysManagerGroupMJ::~CSysManagerGroupMJ() = default;
