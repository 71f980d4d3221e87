// The class registry: class records by class ID, the class libraries they came from, and
// the class tree derived from the runtime-class chain of one sample object per class.
//
// Registration order: this library's own classes are registered first, as if this library
// were the first entry of the module list, and then the classes of the libraries listed in
// the station INI file in their level order. The first registration of a class ID wins, so
// no class library can replace one of this library's classes. Our own class information is
// reached through an internal function, never through the exported symbol, so that a class
// library's GetClassInformation cannot stand in for it.
#include "registry/ClassRegistry.h"

#include <algorithm>
#include <map>
#include <new>
#include <set>
#include <vector>

#include "platform/Config.h"
#include "platform/DebugOutput.h"
#include "platform/DynamicLibrary.h"
#include "platform/ResultCodes.h"
#include "registry/ObjectStore.h"

// ClassInformation.cpp.
__attribute__((visibility("hidden"))) int GetLibraryClassInformation(OBJECT_CLASS_INFO* records,
                                                                     int* count);

namespace {

constexpr int kRegistrationBufferSize = 500;  // records offered to each class library
constexpr int kMaxFullPathLength = 1024;      // as the platform's path buffer
constexpr int kMaxListedLibraries = 4096;     // more entries than this are not read
constexpr unsigned kLoadWithAlteredSearchPath = 8;
constexpr unsigned int kNoClass = 0xFFFFFFFF;

using ClassSet = std::set<unsigned int>;

struct LoadedModule {
    HMODULE handle;
    PFN_GetClassInformation getClassInformation;
};

struct Registry {
    std::map<unsigned int, OBJECT_CLASS_INFO*> classes;  // owns the records
    std::vector<LoadedModule> modules;                   // in load order
    // The tree: only added to, never cleared, so a new registration keeps earlier entries.
    std::map<unsigned int, unsigned int> parents;
    std::map<unsigned int, ClassSet> descendants;
    std::map<unsigned int, ClassSet> ancestors;
    const ClassSet noDescendants{};
};

// Never destroyed: class questions may still be asked while the process exits.
Registry& State() {
    static Registry* registry = new Registry;
    return *registry;
}

// The given directory when it is longer than one character, else the folder of this
// library's module file; always with a trailing separator.
CString WorkingDirectory(const CString& directory) {
    if (directory.GetLength() > 1) {
        const char16_t last = directory[directory.GetLength() - 1];
        return last == u'\\' || last == u'/' ? directory : directory + u"/";
    }
    const CString module = GetLibraryModuleFileName();
    const int slash = module.ReverseFind(u'/');
    return slash < 0 ? CString() : module.Left(slash + 1);
}

PFN_GetClassInformation FindClassInformation(HMODULE module) {
    for (const char* name :
         {"GetClassInformation", "_GetClassInformation@8", "_GetClassInformation@16"}) {
        if (void* symbol = GetProcAddress(module, name)) {
            return reinterpret_cast<PFN_GetClassInformation>(symbol);
        }
    }
    return nullptr;
}

// Reads the list of class libraries from the station INI file and loads them in ascending
// level (equal levels in file order), each file once.
void LoadClassLibraries(Registry& registry) {
    CIni ini;
    ini.SetFileName(GetStationIniPath());
    ini.SetSection(u"LoadTolveObject");
    int count = ini.GetInt(u"Count", 0);
    if (count > kMaxListedLibraries) {
        OutputDebugStringW(CString::Formatted("LoadTolveObject: Count %d, only %d entries read\n",
                                              count, kMaxListedLibraries));
        count = kMaxListedLibraries;
    }

    const CString directory = GetCurrentPath();
    std::set<CString> seen;
    std::multimap<int, CString> byLevel;  // equal keys keep their insertion order
    for (int n = 1; n <= count; ++n) {
        const CString file = ini.GetString(CString::Formatted("DLL_%d", n), CString());
        const int level = ini.GetInt(CString::Formatted("Level_%d", n), 0);
        const CString path = directory + file;
        if (level <= 0 || !PathFileExistsW(path)) {
            MessageBoxW(CString::Formatted("加载%s 失败 \r\n", path.ToUtf8().c_str()));
            continue;
        }
        const CString fullPath = GetFullPathNameW(path);
        if (fullPath.IsEmpty() || fullPath.GetLength() >= kMaxFullPathLength) continue;
        if (!seen.insert(fullPath).second) continue;
        byLevel.emplace(level, fullPath);
    }

    for (const auto& [level, path] : byLevel) {
        HMODULE module = LoadLibraryExW(path, nullptr, kLoadWithAlteredSearchPath);
        if (module == nullptr) continue;
        // A library without a class-information function stays loaded but is not listed.
        if (PFN_GetClassInformation function = FindClassInformation(module)) {
            registry.modules.push_back({module, function});
        }
    }
}

// Registers the classes one class-information function reports. False when it reports no
// classes at all (the registration then stops).
bool RegisterClasses(Registry& registry, PFN_GetClassInformation getClassInformation) {
    int count = 0;
    getClassInformation(nullptr, &count);
    if (count == 0) return false;

    std::vector<OBJECT_CLASS_INFO> buffer(kRegistrationBufferSize);
    count = kRegistrationBufferSize;
    if (getClassInformation(buffer.data(), &count) == 0) return true;
    count = std::clamp(count, 0, kRegistrationBufferSize);

    for (int i = 0; i < count; ++i) {
        if (buffer[i].pfnGetClassID == nullptr) continue;
        auto* record = new OBJECT_CLASS_INFO(buffer[i]);
        if (!registry.classes.emplace(record->pfnGetClassID(), record).second) delete record;
    }
    return true;
}

void CollectDescendants(Registry& registry, const std::map<unsigned int, ClassSet>& children,
                        unsigned int classID, std::vector<unsigned int>& lineage) {
    const auto found = children.find(classID);
    if (found == children.end() || found->second.empty()) return;
    lineage.push_back(classID);
    for (unsigned int ancestor : lineage) {
        registry.descendants[ancestor].insert(found->second.begin(), found->second.end());
    }
    for (unsigned int child : found->second) CollectDescendants(registry, children, child, lineage);
    lineage.pop_back();
}

constinit ClassSampleHook g_classSampleHook{};

// Parent, descendant and ancestor maps from the runtime class of a sample of every class.
void BuildClassTree(Registry& registry) {
    if (g_classSampleHook.root == nullptr || g_classSampleHook.runtimeClassOf == nullptr) return;
    std::map<const CRuntimeClass*, unsigned int> byRuntimeClass{{g_classSampleHook.root, 1}};
    for (const auto& [classID, record] : registry.classes) {
        if (classID == 1 || record == nullptr) continue;
        const CRuntimeClass* runtimeClass = g_classSampleHook.runtimeClassOf(*record);
        if (runtimeClass != nullptr) byRuntimeClass.emplace(runtimeClass, classID);
    }

    std::map<unsigned int, ClassSet> children;
    for (const auto& [runtimeClass, classID] : byRuntimeClass) {
        const CRuntimeClass* base = runtimeClass->GetBaseClass();
        const auto parent = byRuntimeClass.find(base);
        if (base == runtimeClass || parent == byRuntimeClass.end()) continue;
        registry.parents[classID] = parent->second;
        children[parent->second].insert(classID);
    }

    std::vector<unsigned int> lineage;
    CollectDescendants(registry, children, 1, lineage);

    for (const auto& [classID, descendants] : registry.descendants) {
        for (unsigned int descendant : descendants) registry.ancestors[descendant].insert(classID);
    }
}

}  // namespace

void SetClassSampleHook(const ClassSampleHook& hook) { g_classSampleHook = hook; }

void ReleaseAllClassInfo() {
    Registry& registry = State();
    for (auto& [classID, record] : registry.classes) delete record;
    registry.classes.clear();
    for (const LoadedModule& module : registry.modules) FreeLibrary(module.handle);
    registry.modules.clear();
}

int InitAllClassInfo(CString directory) {
    try {
        Registry& registry = State();
        ReleaseAllClassInfo();
        SetCurrentPath(WorkingDirectory(directory));
        LoadClassLibraries(registry);

        std::vector<PFN_GetClassInformation> sources{&GetLibraryClassInformation};
        for (const LoadedModule& module : registry.modules) {
            sources.push_back(module.getClassInformation);
        }
        for (PFN_GetClassInformation source : sources) {
            if (!RegisterClasses(registry, source)) return 0;
        }
        BuildClassTree(registry);
        return 1;
    } catch (const std::exception& e) {
        OutputDebugStringW(CString::FromUtf8(std::string("InitAllClassInfo: ") + e.what() + "\n"));
        return 0;
    }
}

OBJECT_CLASS_INFO* GetClsInfo(unsigned int classID) {
    const auto& classes = State().classes;
    const auto found = classes.find(classID);
    return found == classes.end() ? nullptr : found->second;
}

std::shared_ptr<CNameObject> CreateNewObject(unsigned int classID) {
    const OBJECT_CLASS_INFO* record = GetClsInfo(classID);
    if (record == nullptr || record->pfnCreateObject == nullptr) return nullptr;
    return record->pfnCreateObject();
}

std::int32_t DeleteObject(unsigned int classID, unsigned int id, unsigned int serverNO) {
    const OBJECT_CLASS_INFO* record = GetClsInfo(classID);
    if (record == nullptr || record->pfnDeleteObject == nullptr) return E_OBJECT_NULL;
    std::shared_ptr<CNameObject> object = GDM_Find(classID, id, serverNO);
    if (!object) return E_OBJECT_NULL;
    return record->pfnDeleteObject(std::move(object));
}

int IsDerivedFrom(unsigned int classID, unsigned int baseClassID) {
    if (classID == baseClassID) return 1;
    const auto& ancestors = State().ancestors;
    const auto found = ancestors.find(classID);
    return found != ancestors.end() && found->second.count(baseClassID) != 0 ? 1 : 0;
}

unsigned int GetParentClassID(unsigned int classID) {
    const auto& parents = State().parents;
    const auto found = parents.find(classID);
    return found == parents.end() ? kNoClass : found->second;
}

void GetChildClassID(unsigned int classID, std::set<unsigned int>& out) {
    const auto& descendants = State().descendants;
    const auto found = descendants.find(classID);
    if (found != descendants.end()) out = found->second;
}

const std::set<unsigned int>& GetChildClassID(unsigned int classID) {
    const Registry& registry = State();
    const auto found = registry.descendants.find(classID);
    return found == registry.descendants.end() ? registry.noDescendants : found->second;
}

unsigned int GetClassGradeGap(unsigned int classID, unsigned int baseClassID) {
    if (classID == baseClassID) return 0;
    if (IsDerivedFrom(classID, baseClassID) == 0) return kNoClass;
    const auto& parents = State().parents;
    // Bounded: a parent map spoilt by a second registration cannot make the walk endless.
    unsigned int current = classID;
    for (unsigned int steps = 1; steps <= parents.size(); ++steps) {
        const auto parent = parents.find(current);
        if (parent == parents.end()) break;
        current = parent->second;
        if (current == baseClassID) return steps;
    }
    return kNoClass;
}

int IsBaseClassID(unsigned int classID) { return classID == 1 || classID == 14 ? 1 : 0; }

const std::map<unsigned int, OBJECT_CLASS_INFO*>& GetRegisteredClasses() { return State().classes; }
