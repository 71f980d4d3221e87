// The class information of this library: one record of six static functions per class it
// reports to the class registry, and the class-information protocol that every class
// library speaks.
#include <cstring>
#include <iterator>

#include "areas/Area.h"
#include "areas/AreaGroup.h"
#include "membership/AccessObject.h"
#include "membership/Container.h"
#include "misc/ArticleBase.h"
#include "misc/OptionBase.h"
#include "operators/AdminActor.h"
#include "operators/Operator.h"
#include "operators/OperatorGroup.h"
#include "operators/PrivilegeBase.h"
#include "operators/PrivilegeLock.h"
#include "operators/PrivilegeObject.h"
#include "operators/ServiceGroupMJ.h"
#include "operators/ServicePrivilege.h"
#include "operators/SysManagerGroupMJ.h"
#include "operators/SysManagerPrivilege.h"
#include "registry/ClassRegistry.h"

namespace {

// A record whose members 1, 5 and 6 are the class's own identity functions.
#define CLASS_RECORD(cls, insert, remove, load)                                      \
    OBJECT_CLASS_INFO {                                                              \
        &cls::GetClassID, insert, remove, load, &cls::CreateObj, &cls::IsDerivedFrom \
    }

// In the order the registry is told about them. COndutyGroupMJ and COndutyPrivilege exist
// but are not reported.
const OBJECT_CLASS_INFO kLibraryClasses[] = {
    CLASS_RECORD(CNameObject, &CNameObject::InsertObject, &CNameObject::DeleteObject,
                 &CNameObject::InitObjectMap),
    CLASS_RECORD(CAccessObject, &CNameObject::InsertObject, &CAccessObject::DeleteObject,
                 &CAccessObject::InitObjectMap),
    CLASS_RECORD(CContainer, &CNameObject::InsertObject, &CContainer::DeleteObject,
                 &CContainer::InitObjectMap),
    CLASS_RECORD(COperator, &COperator::InsertObject, &COperator::DeleteObject,
                 &CAccessObject::InitObjectMap),
    CLASS_RECORD(COperatorGroup, &CNameObject::InsertObject, &COperatorGroup::DeleteObject,
                 &COperatorGroup::InitObjectMap),
    CLASS_RECORD(CSysManagerGroupMJ, &CSysManagerGroupMJ::InsertObject,
                 &CSysManagerGroupMJ::DeleteObject, &CSysManagerGroupMJ::InitObjectMap),
    CLASS_RECORD(CServiceGroupMJ, &CServiceGroupMJ::InsertObject, &CServiceGroupMJ::DeleteObject,
                 &CServiceGroupMJ::InitObjectMap),
    CLASS_RECORD(CAdminActor, &CAdminActor::InsertObject, &CAdminActor::DeleteObject,
                 &CAdminActor::InitObjectMap),
    CLASS_RECORD(CArea, &CArea::InsertObject, &CArea::DeleteObject, &CContainer::InitObjectMap),
    CLASS_RECORD(CAreaGroup, &CAreaGroup::InsertObject, &CAreaGroup::DeleteObject,
                 &CContainer::InitObjectMap),
    CLASS_RECORD(CPrivilegeBase, &CNameObject::InsertObject, &CPrivilegeBase::DeleteObject,
                 &CAccessObject::InitObjectMap),
    CLASS_RECORD(CPrivilegeObject, &CNameObject::InsertObject, &CPrivilegeBase::DeleteObject,
                 &CAccessObject::InitObjectMap),
    CLASS_RECORD(CPrivilegeLock, &CNameObject::InsertObject, &CPrivilegeBase::DeleteObject,
                 &CAccessObject::InitObjectMap),
    CLASS_RECORD(CSysManagerPrivilege, &CNameObject::InsertObject,
                 &CSysManagerPrivilege::DeleteObject, &CSysManagerPrivilege::InitObjectMap),
    CLASS_RECORD(CServicePrivilege, &CNameObject::InsertObject, &CServicePrivilege::DeleteObject,
                 &CServicePrivilege::InitObjectMap),
    // Option records are not loaded at start-up.
    CLASS_RECORD(COptionBase, &CNameObject::InsertObject, &CAccessObject::DeleteObject, nullptr),
    CLASS_RECORD(CArticleBase, &CArticleBase::InsertObject, &CArticleBase::DeleteObject,
                 &CAccessObject::InitObjectMap),
};

#undef CLASS_RECORD

constexpr int kLibraryClassCount = static_cast<int>(std::size(kLibraryClasses));

}  // namespace

int ReportClassInformation(const OBJECT_CLASS_INFO* table, int size, int capacity,
                           OBJECT_CLASS_INFO* records, int* count) {
    if (count == nullptr || capacity < 0) return 0;
    if (*count < capacity) {
        *count = capacity;
        return 0;
    }
    *count = capacity;
    if (records == nullptr) return 0;
    std::memset(static_cast<void*>(records), 0, sizeof(OBJECT_CLASS_INFO) * capacity);
    if (size > capacity) size = capacity;
    if (size > 0) std::memcpy(static_cast<void*>(records), table, sizeof(OBJECT_CLASS_INFO) * size);
    *count = size;
    return 1;
}

// The registry calls this one directly: a class library's export of the same name must not
// stand in for this library's classes.
__attribute__((visibility("hidden"))) int GetLibraryClassInformation(OBJECT_CLASS_INFO* records,
                                                                     int* count) {
    return ReportClassInformation(kLibraryClasses, kLibraryClassCount, kClassInformationCapacity,
                                  records, count);
}

extern "C" int GetClassInformation(OBJECT_CLASS_INFO* records, int* count) {
    return GetLibraryClassInformation(records, count);
}
