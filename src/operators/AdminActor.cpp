#include "operators/AdminActor.h"

NO_IMPLEMENT_OBJECT_CLASS(CAdminActor, COperator, 1201, 0x83000100)

CAdminActor::CAdminActor() { m_nClassID = 1201; }

CAdminActor::~CAdminActor() = default;
