#include "operators/PrivilegeBase.h"

NO_IMPLEMENT_OBJECT_CLASS(CPrivilegeBase, CAccessObject)

CPrivilegeBase::CPrivilegeBase() { m_nClassID = kClassID; }

CPrivilegeBase::~CPrivilegeBase() = default;
