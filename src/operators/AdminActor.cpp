#include "operators/AdminActor.h"

NO_IMPLEMENT_OBJECT_CLASS(CAdminActor, COperator)

CAdminActor::CAdminActor() { m_nClassID = kClassID; }

CAdminActor::~CAdminActor() = default;
