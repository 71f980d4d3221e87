#include "misc/OptionBase.h"

#include "misc/AuxRestData.h"

NO_IMPLEMENT_OBJECT_CLASS(COptionBase, CAccessObject)

COptionBase::COptionBase() { m_nClassID = kClassID; }

COptionBase::~COptionBase() = default;

int COptionBase::SaveRestData(CBufferWriter& writer) {
    return SaveAuxRestData(*this, writer, kDataVersion);
}

int COptionBase::LoadRestData(CBufferReader& reader, int restArg) {
    return LoadAuxRestData(*this, reader, restArg, kDataVersion);
}
