#include "misc/LINameObject.h"

#include "core/NameObject.h"

CLINameObject::CLINameObject(CNameObject* object) {
    // An object no shared pointer owns gives an empty handle rather than an exception.
    if (object) m_pObject = object->weak_from_this().lock();
}

CLINameObject::~CLINameObject() { m_pObject.reset(); }
