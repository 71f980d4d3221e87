// The class registry: for every class ID a class record (six static functions of the
// class), and the class tree (parent, ancestors, descendants). Filled once at start-up by
// InitAllClassInfo from this library's own classes and the class libraries named in the
// station INI file (section "LoadTolveObject"); read-only afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/RuntimeClass.h"

class CNameObject;

// The record a class library reports for each of its classes.
struct OBJECT_CLASS_INFO {
    unsigned int (*pfnGetClassID)();
    std::int32_t (*pfnInsertObject)(std::shared_ptr<CNameObject>);
    std::int32_t (*pfnDeleteObject)(std::shared_ptr<CNameObject>);
    std::int32_t (*pfnInitObjectMap)();  // may be null: the class is not loaded at start-up
    std::shared_ptr<CNameObject> (*pfnCreateObject)();
    int (*pfnIsDerivedFrom)(const CRuntimeClass*);
};

// The class-information function every class library exports (as "GetClassInformation"):
// with *count below 170 it asks for 170 records (sets *count = 170, returns 0); otherwise it
// fills the records, sets *count to their number and returns 1.
using PFN_GetClassInformation = int (*)(OBJECT_CLASS_INFO* records, int* count);
constexpr int kClassInformationCapacity = 170;

// This library's own class information (17 records).
extern "C" NAMEOBJECT_API int GetClassInformation(OBJECT_CLASS_INFO* records, int* count);

// The class-information protocol for a table of `size` records, for class libraries: asks for
// `capacity` records when *count is below it (0); otherwise clears `capacity` records, copies
// the table, sets *count = size and returns 1. 0 for a null count or a null record pointer.
NAMEOBJECT_API int ReportClassInformation(const OBJECT_CLASS_INFO* table, int size, int capacity,
                                          OBJECT_CLASS_INFO* records, int* count);

// Releases the previous registration, sets the installation directory, registers this
// library's classes, loads the listed class libraries in level order and builds the tree.
// 1 on success, 0 when the list cannot be read or a library reports no classes.
NAMEOBJECT_API int InitAllClassInfo(CString directory);
// Frees every class record and unloads the class libraries (the start of InitAllClassInfo; the
// library's unload code calls it after the objects are destroyed). The tree stays as it is.
NAMEOBJECT_API void ReleaseAllClassInfo();

NAMEOBJECT_API OBJECT_CLASS_INFO* GetClsInfo(unsigned int classID);  // null when not registered
// A new, empty object of the class (not filed in the store); empty when not registered.
NAMEOBJECT_API std::shared_ptr<CNameObject> CreateNewObject(unsigned int classID);
// The class's delete function with the object found in the store; E_OBJECT_NULL when the
// class is not registered or the object is not found.
// (The overload taking the object itself is declared with CNameObject.)
NAMEOBJECT_API std::int32_t DeleteObject(unsigned int classID, unsigned int id,
                                         unsigned int serverNO);

NAMEOBJECT_API int IsDerivedFrom(unsigned int classID,
                                 unsigned int baseClassID);  // 1 also when equal
NAMEOBJECT_API unsigned int GetParentClassID(
    unsigned int classID);  // 0xFFFFFFFF for the root or unknown
// Replaces out with the class's descendants; leaves it untouched when it has none.
NAMEOBJECT_API void GetChildClassID(unsigned int classID, std::set<unsigned int>& out);
NAMEOBJECT_API const std::set<unsigned int>& GetChildClassID(
    unsigned int classID);  // or an empty set
// Parent steps from classID up to baseClassID; 0 when equal; 0xFFFFFFFF when not derived.
NAMEOBJECT_API unsigned int GetClassGradeGap(unsigned int classID, unsigned int baseClassID);
NAMEOBJECT_API int IsBaseClassID(unsigned int classID);  // 1 for classes 1 and 14

// How the class tree is derived: the runtime class at its root (class 1) and the runtime class
// of a sample object a record creates (null when it creates none). The object layer installs
// it when the library is loaded; without it InitAllClassInfo builds no class tree.
struct ClassSampleHook {
    const CRuntimeClass* root;
    const CRuntimeClass* (*runtimeClassOf)(const OBJECT_CLASS_INFO& record);
};
void SetClassSampleHook(const ClassSampleHook& hook);

// The registered class IDs with their records (for tools and start-up), in ascending order.
NAMEOBJECT_API const std::map<unsigned int, OBJECT_CLASS_INFO*>& GetRegisteredClasses();
