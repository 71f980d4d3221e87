#include "areas/AlarmStatistics.h"

#include "areas/AreaGroup.h"
#include "platform/ClientManager.h"
#include "registry/ClassRegistry.h"

namespace {

// Class 0: the containers whose statistics the client manager forwards (server objects).
constexpr unsigned int kForwardedBaseClassID = 0;

void ReportCounter(const CNameObject& owner, std::uint32_t propClass, std::uint32_t property) {
    if (CClientNotify* notify = CClientManager::GetInstance()->GetClientNotify()) {
        notify->OnPropertyChange(owner.GetObjectClassID(), owner.GetID(), owner.GetServerNO(),
                                 propClass, property);
    }
}

void WriteCounter(CNameObject& owner, std::uint32_t propClass, std::uint32_t property,
                  std::uint32_t value) {
    owner.SetProperty(propClass, property, _variant_t(static_cast<int>(value)));
}

}  // namespace

AlarmCounts ReadAlarmCounts(const CNameObject& object, std::uint32_t propClass,
                            std::uint32_t firstProperty) {
    AlarmCounts counts{};
    for (int i = 0; i < kAlarmCounterCount; ++i) {
        counts[i] = object.GetInt32Property(propClass, firstProperty + i, 0);
    }
    return counts;
}

void WriteAlarmCounts(CNameObject& object, std::uint32_t propClass, std::uint32_t firstProperty,
                      const AlarmCounts& counts) {
    for (int i = 0; i < kAlarmCounterCount; ++i) {
        WriteCounter(object, propClass, firstProperty + i, counts[i]);
    }
}

AlarmCounts NegatedAlarmCounts(const AlarmCounts& counts) {
    AlarmCounts negated{};
    for (int i = 0; i < kAlarmCounterCount; ++i) negated[i] = 0u - counts[i];
    return negated;
}

int RecountAlarms(CNameObject& owner, std::uint32_t propClass, std::uint32_t firstProperty,
                  const CContainer::MemberMap& objects, AlarmCounts& differences) {
    CClientManager* manager = CClientManager::GetInstance();
    AlarmCounts sums{};
    for (const auto& [key, object] : objects) {
        if (!object) continue;
        if (CObjectOperate* operate = manager->GetObjectOperate()) {
            operate->RefreshObject(object->GetID(), object->GetServerNO(), 0, 0);
        }
        const AlarmCounts own = ReadAlarmCounts(*object, kAlarmSourceClassID, kAlarmSourceProperty);
        for (int i = 0; i < kAlarmCounterCount; ++i) sums[i] += own[i];
    }

    const AlarmCounts old = ReadAlarmCounts(owner, propClass, firstProperty);
    bool changed = false;
    for (int i = 0; i < kAlarmCounterCount; ++i) {
        if (old[i] == sums[i]) continue;
        changed = true;
        WriteCounter(owner, propClass, firstProperty + i, sums[i]);
        ReportCounter(owner, propClass, firstProperty + i);
    }
    if (!changed) return 0;
    WriteAlarmCounts(owner, propClass, firstProperty, sums);
    for (int i = 0; i < kAlarmCounterCount; ++i) differences[i] = sums[i] - old[i];
    return 1;
}

void ApplyAlarmDifferences(CNameObject& owner, std::uint32_t propClass, std::uint32_t firstProperty,
                           const AlarmCounts& differences) {
    for (int i = 0; i < kAlarmCounterCount; ++i) {
        if (differences[i] == 0) continue;
        const std::uint32_t property = firstProperty + i;
        const std::int64_t value = static_cast<std::int64_t>(static_cast<std::int32_t>(
                                       owner.GetInt32Property(propClass, property, 0))) +
                                   static_cast<std::int32_t>(differences[i]);
        WriteCounter(owner, propClass, property,
                     value < 0 ? 0u : static_cast<std::uint32_t>(value));
        ReportCounter(owner, propClass, property);
    }
}

void PropagateAlarmDifferences(const CAccessObject::ContainerList& containers,
                               const AlarmCounts& differences, int propagate, bool forwardOthers,
                               AlarmHandledSet& handled) {
    const CAccessObject::ContainerList copy = containers;  // the walk may change the lists
    for (const auto& container : copy) {
        if (!container || handled.count(container->GetObjectUniqueID()) != 0) continue;
        if (container->IsKindOf(RUNTIME_CLASS(CAreaGroup))) {
            static_cast<CAreaGroup&>(*container).ApplyAlarmOffsets(differences, propagate, handled);
        } else if (forwardOthers &&
                   IsDerivedFrom(container->GetObjectClassID(), kForwardedBaseClassID) != 0) {
            handled.insert(container->GetObjectUniqueID());
            if (CObjectOperate* operate = CClientManager::GetInstance()->GetObjectOperate()) {
                operate->StatisticsAlarmForward(container->GetID(), container->GetServerNO(),
                                                differences.data(), propagate);
            }
        }
    }
}
