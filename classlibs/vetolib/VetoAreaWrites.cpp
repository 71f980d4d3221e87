// A class library for noctl's tests, loaded through the station INI file like any other. It
// reports no classes; when it is loaded it registers an observer that vetoes every insert,
// change, delete and membership change of an area (class 62 and its subclasses) with the
// result code 0xA3E9F001, the way a host module guards the objects it owns.
#include <cstdint>

#include "notify/ObjectNotifyManager.h"

namespace {

constexpr unsigned int kAreaClass = 62;
constexpr std::int32_t kVeto = static_cast<std::int32_t>(0xA3E9F001u);

using Object = std::shared_ptr<CNameObject>;
using Container = std::shared_ptr<CContainer>;

class AreaVeto final : public CObjectChangeNotify,
                       public CObjectInsertNotify,
                       public CObjectDeleteNotify,
                       public CObjectAddToContainerNotity,
                       public CObjectRemoveFromContainerNotify {
public:
    std::int32_t OnBeforeObjectChange(Object, Object, std::uint32_t) override { return kVeto; }
    std::int32_t OnAfterObjectChange(Object, Object, std::uint32_t, std::uint32_t) override {
        return 0;
    }
    std::int32_t OnBeforeObjectInsert(Object, Container) override { return kVeto; }
    std::int32_t OnAfterObjectInsert(Object, Container) override { return 0; }
    std::int32_t OnBeforeObjectDelete(Object) override { return kVeto; }
    std::int32_t OnAfterObjectDelete(Object) override { return 0; }
    std::int32_t OnBeforeObjectAddToContainer(Object, Container) override { return kVeto; }
    std::int32_t OnAfterObjectAddToContainer(Object, Container) override { return 0; }
    std::int32_t OnBeforeObjectRemoveFromContainer(Object, Container) override { return kVeto; }
    std::int32_t OnAfterObjectRemoveFromContainer(Object, Container) override { return 0; }
};

AreaVeto g_veto;

const bool g_registered = [] {
    CObjectNotifyManager* manager = CObjectNotifyManager::GetInstance();
    manager->RegisterObjectChangeNotify(kAreaClass, &g_veto);
    manager->RegisterObjectInsertNotify(kAreaClass, &g_veto);
    manager->RegisterObjectDeleteNotify(kAreaClass, &g_veto);
    manager->RegisterObjectAddToContainerNotify(kAreaClass, &g_veto);
    manager->RegisterObjectRemoveFromContainerNotify(kAreaClass, &g_veto);
    return true;
}();

}  // namespace
