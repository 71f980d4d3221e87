#include "misc/OptionBase.h"

NO_IMPLEMENT_OBJECT_CLASS(COptionBase, CAccessObject)

COptionBase::COptionBase() { m_nClassID = kClassID; }

COptionBase::~COptionBase() = default;
