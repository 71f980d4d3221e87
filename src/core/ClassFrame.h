// The class identity frame that every object class carries: its class ID, schema word and data
// version, its runtime-class record, plain and shared-pointer factories and derivation test.
// Each is stated once, in the class body:
//
//   class CArea : public CContainer {
//       NO_DECLARE_OBJECT_CLASS(CArea, 62, 0x83020200)
//       ...
//   };
//   NO_IMPLEMENT_OBJECT_CLASS(CArea, CContainer)   // in one .cpp
//   CArea::CArea() { m_nClassID = kClassID; }
//
// The schema word is 0x80000000 (versionable) plus the class's data version; the data version
// (kDataVersion, schema & 0x7FFFFFFF) is what the class's serialised sections carry. The macro
// leaves the class body in public access. Class libraries outside this repository use the same
// two macros.
#pragma once

#include <cstdint>
#include <memory>
#include <new>

#include "platform/RuntimeClass.h"

class CNameObject;

#define NO_DECLARE_OBJECT_CLASS(cls, classID, schema)                                \
public:                                                                              \
    static constexpr unsigned int kClassID = (classID);                              \
    static constexpr std::uint32_t kSchema = (schema);                               \
    static constexpr std::int32_t kDataVersion =                                     \
        static_cast<std::int32_t>(static_cast<std::uint32_t>(schema) & 0x7FFFFFFFu); \
    static CRuntimeClass class##cls;                                                 \
    static CObject* CreateObject();                                                  \
    static CRuntimeClass* _GetBaseClass();                                           \
    static CRuntimeClass* GetThisClass() { return &class##cls; }                     \
    CRuntimeClass* GetRuntimeClass() const override { return &class##cls; }          \
    static std::shared_ptr<CNameObject> CreateObj();                                 \
    static unsigned int GetClassID() { return kClassID; }                            \
    static int IsDerivedFrom(const CRuntimeClass* p);

#define NO_IMPLEMENT_OBJECT_CLASS(cls, base)                                            \
    CObject* cls::CreateObject() { return new (std::nothrow) cls; }                     \
    CRuntimeClass* cls::_GetBaseClass() { return base::GetThisClass(); }                \
    CRuntimeClass cls::class##cls = {#cls, static_cast<int>(sizeof(cls)), cls::kSchema, \
                                     &cls::CreateObject, &cls::_GetBaseClass};          \
    std::shared_ptr<CNameObject> cls::CreateObj() {                                     \
        try {                                                                           \
            return std::make_shared<cls>();                                             \
        } catch (...) {                                                                 \
            return nullptr;                                                             \
        }                                                                               \
    }                                                                                   \
    int cls::IsDerivedFrom(const CRuntimeClass* p) {                                    \
        return p != nullptr && class##cls.IsDerivedFrom(p) ? 1 : 0;                     \
    }

// The data version a class's serialised sections carry: its schema word without the
// versionable flag.
inline std::int32_t DataVersionOf(const CRuntimeClass* rc) {
    return static_cast<std::int32_t>(rc->m_wSchema & 0x7FFFFFFFu);
}
