// CLINameObject: turns a plain pointer to a named object into an owning reference. The object
// must already be owned by a shared pointer; a null pointer gives an empty handle.
#pragma once

#include <memory>

#include "platform/Export.h"

class CNameObject;

class NAMEOBJECT_API CLINameObject {
public:
    CLINameObject() = default;
    explicit CLINameObject(CNameObject* object);
    CLINameObject(const CLINameObject& other) = default;
    CLINameObject& operator=(const CLINameObject& other) = default;
    ~CLINameObject();

    const std::shared_ptr<CNameObject>& Get() const { return m_pObject; }

private:
    std::shared_ptr<CNameObject> m_pObject;
};
