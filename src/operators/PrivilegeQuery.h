// Two questions beside the yes/no privilege check, answered by the same rules:
//   why:  ExplainPrivilege gives COperator::HasPrivilege's decision and where it came from;
//   what: ListPrivilegedObjects gives every object of a class on which an operator holds a
//         privilege, the complete set for which HasPrivilege answers 1.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "core/ObjectKey.h"
#include "platform/CString.h"
#include "platform/Export.h"

class CAccessObject;
class COperator;
class COperatorGroup;

struct NAMEOBJECT_API PrivilegeExplanation {
    enum Reason {
        kAdministrator,  // the administrator or a direct member of the system-manager group
        kLocked,         // a group's lock map locks it (locks are asked before grants)
        kGranted,        // a group's grant map grants it
        kNotGranted,     // no group grants it (or there is no operator)
    };
    int decision = 0;  // what COperator::HasPrivilege answers
    Reason reason = kNotGranted;
    std::shared_ptr<COperatorGroup> group;  // the group that locked or granted
    // The lock object (class 852) or privilege object (class 851) that matched.
    std::uint32_t holderClassID = 0;
    std::uint32_t holderID = 0;
    // The asked object first, then the containers up to the object the map names (the server
    // object when the match came through it).
    std::vector<std::shared_ptr<CAccessObject>> chain;
    std::vector<std::shared_ptr<COperatorGroup>> groupsAsked;  // the operator's direct groups

    // One readable line, e.g. "granted by group 5 (Service) through privilege object 851:9 on
    // 62:3 via 62:7 <- 0:1".
    CString Describe() const;
};

using PrivilegedObjects = std::map<MJOBJECT_KEY, std::shared_ptr<CAccessObject>>;

// The decision of op->HasPrivilege(object, privilegeClassID, privilegeID) and its path.
NAMEOBJECT_API PrivilegeExplanation ExplainPrivilege(const std::shared_ptr<COperator>& op,
                                                     const std::shared_ptr<CAccessObject>& object,
                                                     std::uint32_t privilegeClassID,
                                                     std::uint32_t privilegeID);

// Every access object in the store whose class is classID or derives from it and on which
// op holds the privilege, keyed by object key; never cut. The containment walk is shared
// between the objects, so each container is judged once per group.
NAMEOBJECT_API PrivilegedObjects ListPrivilegedObjects(const std::shared_ptr<COperator>& op,
                                                       std::uint32_t classID,
                                                       std::uint32_t privilegeClassID,
                                                       std::uint32_t privilegeID);
