// The six observer interfaces of object changes. A module implements one, registers it with
// CObjectNotifyManager for a class ID, and is then called before (may veto with a negative
// result) and after each event for objects of that class and of its derived classes.
//
// Each interface has exactly two operations, before then after, named after the manager's
// dispatch operations that call them. The manager never deletes an observer, so the
// destructors are protected and not virtual: an observer is owned by its module.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Export.h"

class CNameObject;
class CContainer;

class NAMEOBJECT_API CObjectChangeNotify {
public:
    virtual std::int32_t OnBeforeObjectChange(std::shared_ptr<CNameObject> first,
                                              std::shared_ptr<CNameObject> second,
                                              std::uint32_t flags) = 0;
    virtual std::int32_t OnAfterObjectChange(std::shared_ptr<CNameObject> first,
                                             std::shared_ptr<CNameObject> second,
                                             std::uint32_t flags,
                                             std::uint32_t changedSections) = 0;

protected:
    ~CObjectChangeNotify() = default;
};

class NAMEOBJECT_API CObjectInsertNotify {
public:
    virtual std::int32_t OnBeforeObjectInsert(std::shared_ptr<CNameObject> object,
                                              std::shared_ptr<CContainer> container) = 0;
    virtual std::int32_t OnAfterObjectInsert(std::shared_ptr<CNameObject> object,
                                             std::shared_ptr<CContainer> container) = 0;

protected:
    ~CObjectInsertNotify() = default;
};

class NAMEOBJECT_API CObjectDeleteNotify {
public:
    virtual std::int32_t OnBeforeObjectDelete(std::shared_ptr<CNameObject> object) = 0;
    virtual std::int32_t OnAfterObjectDelete(std::shared_ptr<CNameObject> object) = 0;

protected:
    ~CObjectDeleteNotify() = default;
};

// (sic: "Notity" is the published name of this interface)
class NAMEOBJECT_API CObjectAddToContainerNotity {
public:
    virtual std::int32_t OnBeforeObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                                      std::shared_ptr<CContainer> container) = 0;
    virtual std::int32_t OnAfterObjectAddToContainer(std::shared_ptr<CNameObject> object,
                                                     std::shared_ptr<CContainer> container) = 0;

protected:
    ~CObjectAddToContainerNotity() = default;
};

class NAMEOBJECT_API CObjectRemoveFromContainerNotify {
public:
    virtual std::int32_t OnBeforeObjectRemoveFromContainer(
        std::shared_ptr<CNameObject> object, std::shared_ptr<CContainer> container) = 0;
    virtual std::int32_t OnAfterObjectRemoveFromContainer(
        std::shared_ptr<CNameObject> object, std::shared_ptr<CContainer> container) = 0;

protected:
    ~CObjectRemoveFromContainerNotify() = default;
};

class NAMEOBJECT_API CObjectRelationChangeNotify {
public:
    virtual std::int32_t OnBeforeObjectRelationChange(std::shared_ptr<CNameObject> first,
                                                      std::shared_ptr<CNameObject> second,
                                                      std::uint32_t relationFlags) = 0;
    virtual std::int32_t OnAfterObjectRelationChange(std::shared_ptr<CNameObject> first,
                                                     std::shared_ptr<CNameObject> second,
                                                     std::uint32_t relationFlags) = 0;

protected:
    ~CObjectRelationChangeNotify() = default;
};
