#include "platform/RuntimeClass.h"

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                       nullptr, nullptr};

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    if (!base) return false;
    for (const CRuntimeClass* cls = this; cls; cls = cls->GetBaseClass()) {
        if (cls == base) return true;
    }
    return false;
}

CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

bool CObject::IsKindOf(const CRuntimeClass* cls) const {
    return GetRuntimeClass()->IsDerivedFrom(cls);
}

bool CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
