// CNameObjectCommonAttribute: the process-wide table of which object classes have a given
// common attribute. Only static members; each operation holds the table's lock throughout.
#pragma once

#include <cstdint>
#include <set>

#include "platform/Export.h"

class NAMEOBJECT_API CNameObjectCommonAttribute {
public:
    static void InitObjectCommonAttribute();  // empties the table
    static void SetObjectCommonAttribute(std::uint32_t classID, int attribute);
    static int TestObjectCommonAttribute(std::uint32_t classID, int attribute);
    // Empties out; 0 when the attribute is unknown, else copies its classes and returns 1.
    static int GetObjectCommonAttributeClassIDs(int attribute, std::set<std::uint32_t>& out);
};

// 1 when classID is among the classes that have the common attribute, else 0.
NAMEOBJECT_API int TestClassAttribute(unsigned int classID, int attributeID);
