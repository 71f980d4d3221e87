#include "operators/PrivilegeLock.h"

NO_IMPLEMENT_OBJECT_CLASS(CPrivilegeLock, CPrivilegeBase, 852, 0x03000100)

CPrivilegeLock::CPrivilegeLock() { m_nClassID = 852; }

CPrivilegeLock::~CPrivilegeLock() = default;
