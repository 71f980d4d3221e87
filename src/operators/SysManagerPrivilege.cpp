#include "operators/SysManagerPrivilege.h"

NO_IMPLEMENT_OBJECT_CLASS(CSysManagerPrivilege, CPrivilegeObject)

CSysManagerPrivilege::CSysManagerPrivilege() { m_nClassID = kClassID; }

CSysManagerPrivilege::~CSysManagerPrivilege() = default;
