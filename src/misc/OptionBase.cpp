#include "misc/OptionBase.h"

NO_IMPLEMENT_OBJECT_CLASS(COptionBase, CAccessObject, 1800, 0x83000100)

COptionBase::COptionBase() { m_nClassID = 1800; }

COptionBase::~COptionBase() = default;
