// The ServerObjects class library: the classes of ServerObjects.h and their class information.
#include "ServerObjects.h"

#include <iterator>

#include "registry/ClassRegistry.h"

NO_IMPLEMENT_OBJECT_CLASS(CServerObject, CContainer, 0, 0x83000100)
NO_IMPLEMENT_OBJECT_CLASS(CDeviceObject, CAccessObject, 12, 0x83000100)
NO_IMPLEMENT_OBJECT_CLASS(CPlatformLinkage, CAccessObject, 13, 0x83000100)
NO_IMPLEMENT_OBJECT_CLASS(CExternalObject, CAccessObject, 14, 0x83000100)
NO_IMPLEMENT_OBJECT_CLASS(CCardHolderGroup, CContainer, 59, 0x83000100)
NO_IMPLEMENT_OBJECT_CLASS(CCardHolder, CAccessObject, 501, 0x83000100)
NO_IMPLEMENT_OBJECT_CLASS(CAlarmHost, CAccessObject, 73, 0x83000100)
NO_IMPLEMENT_OBJECT_CLASS(CAlarmObject, CAccessObject, 350, 0x83000100)

CServerObject::CServerObject() { m_nClassID = GetClassID(); }
CDeviceObject::CDeviceObject() { m_nClassID = GetClassID(); }
CPlatformLinkage::CPlatformLinkage() { m_nClassID = GetClassID(); }
CExternalObject::CExternalObject() { m_nClassID = GetClassID(); }
CCardHolderGroup::CCardHolderGroup() { m_nClassID = GetClassID(); }
CCardHolder::CCardHolder() { m_nClassID = GetClassID(); }
CAlarmHost::CAlarmHost() { m_nClassID = GetClassID(); }
CAlarmObject::CAlarmObject() { m_nClassID = GetClassID(); }

void CServerObject::SetAlarmDisplayTime(std::uint32_t seconds) {
    SetProperty(0, kAlarmDisplayTimeProperty, _variant_t(seconds));
}

void CServerObject::SetNeedConfirmAlarm(bool on) {
    CNameObjectAttribute::SetAttribute(0, kNeedConfirmAlarmAttribute, on ? 1 : 0);
}

namespace {

// Every class is inserted by the base insertion and loaded by the start-up bulk load; the
// containers among them are deleted as containers.
template <class C,
          std::int32_t (*Delete)(std::shared_ptr<CNameObject>) = &CAccessObject::DeleteObject>
OBJECT_CLASS_INFO Record() {
    return {&C::GetClassID, &CNameObject::InsertObject, Delete, &CAccessObject::InitObjectMap,
            &C::CreateObj,  &C::IsDerivedFrom};
}

const OBJECT_CLASS_INFO kClasses[] = {
    Record<CServerObject, &CContainer::DeleteObject>(),
    Record<CDeviceObject>(),
    Record<CPlatformLinkage>(),
    Record<CExternalObject>(),
    Record<CCardHolderGroup, &CContainer::DeleteObject>(),
    Record<CCardHolder>(),
    Record<CAlarmHost>(),
    Record<CAlarmObject>(),
};

constexpr int kClassCount = static_cast<int>(std::size(kClasses));

}  // namespace

extern "C" int GetClassInformation(OBJECT_CLASS_INFO* records, int* count) {
    return ReportClassInformation(kClasses, kClassCount, kClassCount, records, count);
}
