#include "operators/SysManagerPrivilege.h"

NO_IMPLEMENT_OBJECT_CLASS(CSysManagerPrivilege, CPrivilegeObject, 853, 0x83000100)

CSysManagerPrivilege::CSysManagerPrivilege() { m_nClassID = 853; }

CSysManagerPrivilege::~CSysManagerPrivilege() = default;
