#include "operators/PrivilegeObject.h"

NO_IMPLEMENT_OBJECT_CLASS(CPrivilegeObject, CPrivilegeBase)

CPrivilegeObject::CPrivilegeObject() { m_nClassID = kClassID; }

CPrivilegeObject::~CPrivilegeObject() = default;
