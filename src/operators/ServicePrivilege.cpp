#include "operators/ServicePrivilege.h"

NO_IMPLEMENT_OBJECT_CLASS(CServicePrivilege, CPrivilegeObject, 854, 0x83000100)

CServicePrivilege::CServicePrivilege() { m_nClassID = 854; }

CServicePrivilege::~CServicePrivilege() = default;
