// The sections of an object: one bit per part of the serialised frame. The mask drives lazy
// loading, partial serialisation and the report of what a merge changed.
#pragma once

#include <cstdint>

enum ObjectSaveLoadSectionDefine : std::uint32_t {
    SECTION_BASIC_DATA = 0x01,     // key, attribute word, private data, names, times
    SECTION_EXT_DATA = 0x02,       // extension fields
    SECTION_EXT_ATTRIBUTE = 0x04,  // attribute facet
    SECTION_REST_DATA = 0x08,      // the class's own data
    SECTION_OBJECT_IMAGE = 0x10,   // images
    SECTION_EXT_PROPERTY = 0x20,   // property facet
    SECTION_ALL = 0x3F,
    SECTION_WHOLE_OBJECT = 0x00FFFFFF,  // every section: a request, and a fully present object
};

// Data version of the base object, carried by every basic, facet and image section.
constexpr std::int32_t NAMEOBJECT_DATA_VERSION = 0x03000200;
