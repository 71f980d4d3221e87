#include "operators/SysManagerGroupMJ.h"

NO_IMPLEMENT_OBJECT_CLASS(CSysManagerGroupMJ, COperatorGroup, 1301, 0x83000100)

CSysManagerGroupMJ::CSysManagerGroupMJ() { m_nClassID = 1301; }

CSysManagerGroupMJ::~CSysManagerGroupMJ() = default;
