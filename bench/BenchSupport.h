// What the benchmark programs share: a count of operator-new calls (the allocation figures)
// and the paths of the installation they build in the temp directory.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>

#include "nameobject.h"

namespace bench {

// Calls of the global operator new since the program started.
std::size_t Allocations();

inline std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

inline std::string InstallationDir() { return TempPath("nameobject-bench-installation") + "/"; }

// An access object as the installations of the benchmarks hold them: named, described, two
// attribute values and two properties.
inline std::shared_ptr<CAccessObject> Door(int i) {
    auto o = std::static_pointer_cast<CAccessObject>(CreateNewObject(CAccessObject::kClassID));
    o->SetFullName(CString::FromUtf8("object " + std::to_string(i)));
    o->SetDescription(u"a door of the building");
    o->AddAttribute(1, 0x07001001);
    o->AddAttribute(2, static_cast<std::uint32_t>(i));
    o->SetProperty(3, 1, _variant_t(i));
    o->SetProperty(3, 2, _variant_t(u"label"));
    return o;
}

}  // namespace bench
