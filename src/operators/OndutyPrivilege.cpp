#include "operators/OndutyPrivilege.h"

NO_IMPLEMENT_OBJECT_CLASS(COndutyPrivilege, CPrivilegeObject, 855, 0x83000100)

COndutyPrivilege::COndutyPrivilege() { m_nClassID = 855; }

COndutyPrivilege::~COndutyPrivilege() = default;
