// The ServerObjects class library: the classes of ServerObjects.h and their class information.
#include "ServerObjects.h"

#include <iterator>

#include "registry/ClassRegistry.h"

NO_IMPLEMENT_OBJECT_CLASS(CServerObject, CContainer)
NO_IMPLEMENT_OBJECT_CLASS(CDeviceObject, CAccessObject)
NO_IMPLEMENT_OBJECT_CLASS(CPlatformLinkage, CAccessObject)
NO_IMPLEMENT_OBJECT_CLASS(CExternalObject, CAccessObject)
NO_IMPLEMENT_OBJECT_CLASS(CCardHolderGroup, CContainer)
NO_IMPLEMENT_OBJECT_CLASS(CCardHolder, CAccessObject)
NO_IMPLEMENT_OBJECT_CLASS(CAlarmHost, CAccessObject)
NO_IMPLEMENT_OBJECT_CLASS(CAlarmObject, CAccessObject)

CServerObject::CServerObject() { m_nClassID = kClassID; }
CDeviceObject::CDeviceObject() { m_nClassID = kClassID; }
CPlatformLinkage::CPlatformLinkage() { m_nClassID = kClassID; }
CExternalObject::CExternalObject() { m_nClassID = kClassID; }
CCardHolderGroup::CCardHolderGroup() { m_nClassID = kClassID; }
CCardHolder::CCardHolder() { m_nClassID = kClassID; }
CAlarmHost::CAlarmHost() { m_nClassID = kClassID; }
CAlarmObject::CAlarmObject() { m_nClassID = kClassID; }

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
