#include "operators/PrivilegeObject.h"

NO_IMPLEMENT_OBJECT_CLASS(CPrivilegeObject, CPrivilegeBase, 851, 0x03000100)

CPrivilegeObject::CPrivilegeObject() { m_nClassID = 851; }

CPrivilegeObject::~CPrivilegeObject() = default;
