// CObject and CRuntimeClass: the framework's root object with run-time class information.
//
// Every class has one static CRuntimeClass record (name, size, schema word, plain factory,
// base-class getter). IsDerivedFrom walks the base-class chain; IsKindOf asks it of an
// object's own record. RUNTIME_CLASS(C) names C's record.
#pragma once

#include <cstdint>

#include "platform/Export.h"

class CObject;
class CArchive;  // the framework archive; the library's objects never use it

struct NAMEOBJECT_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    std::uint32_t m_wSchema;  // 0x80000000 (versionable) | data version
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* (*m_pfnGetBaseClass)();

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    CRuntimeClass* GetBaseClass() const {
        return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr;
    }
    // True when this record is base or one of its descendants.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

class NAMEOBJECT_API CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);  // empty: the library has formats of its own
    virtual void AssertValid() const {}
    virtual void Dump() const {}

    bool IsKindOf(const CRuntimeClass* cls) const;
    bool IsSerializable() const;

    static CRuntimeClass classCObject;
    static CRuntimeClass* GetThisClass() { return &classCObject; }
    static CRuntimeClass* _GetBaseClass() { return nullptr; }

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// Declares and defines the runtime record of a plain CObject-derived record class (one
// without a class ID or a shared-pointer factory). Object classes use the identity frame of
// core/ClassFrame.h instead.
#define NO_DECLARE_RECORD_CLASS(cls)                             \
public:                                                          \
    static CRuntimeClass class##cls;                             \
    static CObject* CreateObject();                              \
    static CRuntimeClass* _GetBaseClass();                       \
    static CRuntimeClass* GetThisClass() { return &class##cls; } \
    CRuntimeClass* GetRuntimeClass() const override { return &class##cls; }

#define NO_IMPLEMENT_RECORD_CLASS(cls, base, schema)                                \
    CObject* cls::CreateObject() { return new cls; }                                \
    CRuntimeClass* cls::_GetBaseClass() { return base::GetThisClass(); }            \
    CRuntimeClass cls::class##cls = {#cls, static_cast<int>(sizeof(cls)), (schema), \
                                     &cls::CreateObject, &cls::_GetBaseClass};
