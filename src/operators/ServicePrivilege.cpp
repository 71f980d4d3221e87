#include "operators/ServicePrivilege.h"

NO_IMPLEMENT_OBJECT_CLASS(CServicePrivilege, CPrivilegeObject)

CServicePrivilege::CServicePrivilege() { m_nClassID = kClassID; }

CServicePrivilege::~CServicePrivilege() = default;
