#include "operators/PrivilegeBase.h"

NO_IMPLEMENT_OBJECT_CLASS(CPrivilegeBase, CAccessObject, 850, 0x03000100)

CPrivilegeBase::CPrivilegeBase() { m_nClassID = 850; }

CPrivilegeBase::~CPrivilegeBase() = default;
