// A class library for the registry's tests. It reports class 62, which the nameobject library
// registers itself, and class 350, which ServerObjects.so registers, each with a class of its
// own, plus the new class 9001: only the first registration of a class ID may stay.
//
// Two hooks let a test look inside: how often the class information was asked for, and a
// switch that makes the library report no classes at all.
#include <atomic>
#include <iterator>

#include "membership/AccessObject.h"
#include "membership/Container.h"
#include "registry/ClassRegistry.h"

class CTestDuplicateArea : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CTestDuplicateArea, 62, 0x83000100)

public:
    CTestDuplicateArea() { m_nClassID = kClassID; }
};

class CTestDuplicateAlarm : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CTestDuplicateAlarm, 350, 0x83000100)

public:
    CTestDuplicateAlarm() { m_nClassID = kClassID; }
};

class CTestExtraObject : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CTestExtraObject, 9001, 0x83000100)

public:
    CTestExtraObject() { m_nClassID = kClassID; }
};

NO_IMPLEMENT_OBJECT_CLASS(CTestDuplicateArea, CContainer)
NO_IMPLEMENT_OBJECT_CLASS(CTestDuplicateAlarm, CAccessObject)
NO_IMPLEMENT_OBJECT_CLASS(CTestExtraObject, CAccessObject)

namespace {

template <class C>
OBJECT_CLASS_INFO Record() {
    return {&C::GetClassID, &CNameObject::InsertObject, &CAccessObject::DeleteObject, nullptr,
            &C::CreateObj,  &C::IsDerivedFrom};
}

const OBJECT_CLASS_INFO kClasses[] = {Record<CTestDuplicateArea>(), Record<CTestDuplicateAlarm>(),
                                      Record<CTestExtraObject>()};

std::atomic<int> g_calls{0};
std::atomic<bool> g_reportNothing{false};

}  // namespace

extern "C" int GetClassInformation(OBJECT_CLASS_INFO* records, int* count) {
    ++g_calls;
    if (g_reportNothing.load()) return 0;  // leaves the count as it was
    const int size = static_cast<int>(std::size(kClasses));
    return ReportClassInformation(kClasses, size, size, records, count);
}

extern "C" int TestDuplicateClassesCallCount() { return g_calls.load(); }

extern "C" void TestDuplicateClassesReportNothing(int on) { g_reportNothing.store(on != 0); }
