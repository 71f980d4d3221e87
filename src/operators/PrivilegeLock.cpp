#include "operators/PrivilegeLock.h"

NO_IMPLEMENT_OBJECT_CLASS(CPrivilegeLock, CPrivilegeBase)

CPrivilegeLock::CPrivilegeLock() { m_nClassID = kClassID; }

CPrivilegeLock::~CPrivilegeLock() = default;
