// The process-wide table of common attributes: attribute number -> classes that have it.
#include "core/NameObjectCommonAttribute.h"

#include <map>
#include <mutex>

namespace {

struct CommonAttributeTable {
    std::mutex lock;
    std::map<int, std::set<std::uint32_t>> classes;
};

CommonAttributeTable& Table() {
    static CommonAttributeTable table;
    return table;
}

}  // namespace

void CNameObjectCommonAttribute::InitObjectCommonAttribute() {
    auto& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    table.classes.clear();
}

void CNameObjectCommonAttribute::SetObjectCommonAttribute(std::uint32_t classID, int attribute) {
    auto& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    table.classes[attribute].insert(classID);
}

int CNameObjectCommonAttribute::TestObjectCommonAttribute(std::uint32_t classID, int attribute) {
    auto& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    auto it = table.classes.find(attribute);
    return it != table.classes.end() && it->second.count(classID) != 0 ? 1 : 0;
}

int CNameObjectCommonAttribute::GetObjectCommonAttributeClassIDs(int attribute,
                                                                 std::set<std::uint32_t>& out) {
    auto& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    out.clear();
    auto it = table.classes.find(attribute);
    if (it == table.classes.end()) return 0;
    out = it->second;
    return 1;
}

int TestClassAttribute(unsigned int classID, int attributeID) {
    std::set<std::uint32_t> classes;
    if (CNameObjectCommonAttribute::GetObjectCommonAttributeClassIDs(attributeID, classes) == 0) {
        return 0;
    }
    return classes.count(classID) != 0 ? 1 : 0;
}
