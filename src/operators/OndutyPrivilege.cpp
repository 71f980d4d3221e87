#include "operators/OndutyPrivilege.h"

NO_IMPLEMENT_OBJECT_CLASS(COndutyPrivilege, CPrivilegeObject)

COndutyPrivilege::COndutyPrivilege() { m_nClassID = kClassID; }

COndutyPrivilege::~COndutyPrivilege() = default;
