#include "operators/OperatorGroup.h"

NO_IMPLEMENT_OBJECT_CLASS(COperatorGroup, CContainer)

COperatorGroup::COperatorGroup() { m_nClassID = kClassID; }

COperatorGroup::~COperatorGroup() = default;
