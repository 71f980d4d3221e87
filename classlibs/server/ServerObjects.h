// The installation's server-object class and the outside classes that the nameobject library
// refers to by class ID. Built as the class library ServerObjects.so, listed in the station
// INI file like any other class library.
#pragma once

#include <cstdint>

#include "membership/AccessObject.h"
#include "membership/Container.h"

// The server object (class 0): one per server, ID = server ID, filed under the server number.
// A container at the top of the installation's tree; it carries the server's options.
class CServerObject : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CServerObject, 0, 0x83000100)

public:
    static constexpr std::uint32_t kAlarmDisplayTimeProperty = 0x7006001;   // property class 0
    static constexpr std::uint32_t kNeedConfirmAlarmAttribute = 0x7008001;  // attribute class 0

    CServerObject();

    void SetAlarmDisplayTime(std::uint32_t seconds);
    void SetNeedConfirmAlarm(bool on);
};

// A device (class 12): its changes are not passed on to related objects.
class CDeviceObject : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CDeviceObject, 12, 0x83000100)

public:
    CDeviceObject();
};

// A platform linkage (class 13), collected by the area groups it belongs to.
class CPlatformLinkage : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CPlatformLinkage, 13, 0x83000100)

public:
    CPlatformLinkage();
};

// The base of the classes whose objects are kept outside the NameObject table (class 14).
class CExternalObject : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CExternalObject, 14, 0x83000100)

public:
    CExternalObject();
};

// A card holder group (class 59): a container of card holders.
class CCardHolderGroup : public CContainer {
    NO_DECLARE_OBJECT_CLASS(CCardHolderGroup, 59, 0x83000100)

public:
    CCardHolderGroup();
};

// A card holder (class 501).
class CCardHolder : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CCardHolder, 501, 0x83000100)

public:
    CCardHolder();
};

// An alarm host (class 73): an alarm-bearing object counted by the area groups above the
// areas it lies in, not by the areas themselves.
class CAlarmHost : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CAlarmHost, 73, 0x83000100)

public:
    CAlarmHost();
};

// An alarm-bearing object (class 350), counted by its areas and their area groups.
class CAlarmObject : public CAccessObject {
    NO_DECLARE_OBJECT_CLASS(CAlarmObject, 350, 0x83000100)

public:
    CAlarmObject();
};
