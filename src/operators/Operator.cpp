#include "operators/Operator.h"

NO_IMPLEMENT_OBJECT_CLASS(COperator, CAccessObject)

COperator::COperator() { m_nClassID = kClassID; }

COperator::~COperator() = default;

int COperator::HasPrivilege(std::shared_ptr<CAccessObject> /*object*/,
                            std::uint32_t /*privilegeClassID*/, std::uint32_t /*privilegeID*/) {
    return 0;  // Not implemented yet: the decision through the operator's groups comes later.
}
