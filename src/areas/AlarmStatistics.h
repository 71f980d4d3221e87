// The fifteen alarm counters that areas and area groups publish as properties, and the shared
// steps of their computation: the full recount over alarm-bearing objects and the application
// of differences with their propagation to the area groups above.
#pragma once

#include <array>
#include <cstdint>
#include <set>

#include "membership/Container.h"

constexpr int kAlarmCounterCount = 15;
using AlarmCounts = std::array<std::uint32_t, kAlarmCounterCount>;

// Property IDs of counter 0 (TotalAlarmCount); counter i is the first ID + i.
constexpr std::uint32_t kAreaCounterProperty = 0x7007101;       // under class 62
constexpr std::uint32_t kAreaGroupCounterProperty = 0x7008001;  // under class 63
constexpr std::uint32_t kAlarmSourceProperty = 0x7003001;       // on alarm objects, class 12
constexpr std::uint32_t kAlarmSourceClassID = 12;
// Members that areas count (alarm objects) and the platform-linkage class their maps hold.
constexpr std::uint32_t kAlarmObjectClassID = 350;
constexpr std::uint32_t kPlatformLinkageClassID = 13;

// The getter/setter pairs of the counters, in counter order, and the fifteen-argument form of
// StatisticsAlarmForffset. A class that uses this defines GetAlarmCounter(int),
// SetAlarmCounter(int, int) and StatisticsAlarmForffset(const AlarmCounts&, int).
#define NO_ALARM_COUNTER(stem, index)                        \
    int Get##stem() const { return GetAlarmCounter(index); } \
    void Set##stem(int value) { SetAlarmCounter(index, value); }
#define NO_ALARM_COUNTER_ACCESSORS                                                                 \
    NO_ALARM_COUNTER(TotalAlarmCount, 0)                                                           \
    NO_ALARM_COUNTER(UnConfirmedAlarmCount, 1)                                                     \
    NO_ALARM_COUNTER(ConfirmedAlarmCount, 2)                                                       \
    NO_ALARM_COUNTER(NormalUnConfirmedUnClearedAlarmCount, 3)                                      \
    NO_ALARM_COUNTER(NormalConfirmedUnClearedAlarmCount, 4)                                        \
    NO_ALARM_COUNTER(NormalUnConfirmedClearedAlarmCount, 5)                                        \
    NO_ALARM_COUNTER(NormalTotalAlarmCount, 6)                                                     \
    NO_ALARM_COUNTER(ImportantUnConfirmedUnClearedAlarmCount, 7)                                   \
    NO_ALARM_COUNTER(ImportantConfirmedUnClearedAlarmCount, 8)                                     \
    NO_ALARM_COUNTER(ImportantUnConfirmedClearedAlarmCount, 9)                                     \
    NO_ALARM_COUNTER(ImportantTotalAlarmCount, 10)                                                 \
    NO_ALARM_COUNTER(UrgentUnConfirmedUnClearedAlarmCount, 11)                                     \
    NO_ALARM_COUNTER(UrgentConfirmedUnClearedAlarmCount, 12)                                       \
    NO_ALARM_COUNTER(UrgentUnConfirmedClearedAlarmCount, 13)                                       \
    NO_ALARM_COUNTER(UrgentTotalAlarmCount, 14)                                                    \
    int StatisticsAlarmForffset(                                                                   \
        std::uint32_t d1, std::uint32_t d2, std::uint32_t d3, std::uint32_t d4, std::uint32_t d5,  \
        std::uint32_t d6, std::uint32_t d7, std::uint32_t d8, std::uint32_t d9, std::uint32_t d10, \
        std::uint32_t d11, std::uint32_t d12, std::uint32_t d13, std::uint32_t d14,                \
        std::uint32_t d15, int propagate) {                                                        \
        return StatisticsAlarmForffset(                                                            \
            AlarmCounts{d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15},         \
            propagate);                                                                            \
    }

// The fifteen counters of `object` under (propClass, firstProperty + i); 0 when missing or
// not convertible.
NAMEOBJECT_API AlarmCounts ReadAlarmCounts(const CNameObject& object, std::uint32_t propClass,
                                           std::uint32_t firstProperty);
// Stores every counter as an int variant.
NAMEOBJECT_API void WriteAlarmCounts(CNameObject& object, std::uint32_t propClass,
                                     std::uint32_t firstProperty, const AlarmCounts& counts);
NAMEOBJECT_API AlarmCounts NegatedAlarmCounts(const AlarmCounts& counts);

// The keys of the containers a difference already reached during one propagation.
using AlarmHandledSet = std::set<MJOBJECT_KEY>;

// Full recount of `owner` over `objects`: refreshes each object through the client manager,
// sums their source counters, sets and reports each counter that differs from its sum.
// Returns 1 and fills `differences` (sum - old) when a counter changed, else 0.
NAMEOBJECT_API int RecountAlarms(CNameObject& owner, std::uint32_t propClass,
                                 std::uint32_t firstProperty, const CContainer::MemberMap& objects,
                                 AlarmCounts& differences);

// Adds the differences to the counters of `owner` (clamped at 0), reporting each changed one.
NAMEOBJECT_API void ApplyAlarmDifferences(CNameObject& owner, std::uint32_t propClass,
                                          std::uint32_t firstProperty,
                                          const AlarmCounts& differences);

// Hands the differences to the containers in `containers`: area groups apply and pass them
// on; with `forwardOthers`, other containers of a registered class get the client manager's
// statistics-forward call. Each container is reached at most once per `handled` set.
NAMEOBJECT_API void PropagateAlarmDifferences(const CAccessObject::ContainerList& containers,
                                              const AlarmCounts& differences, int propagate,
                                              bool forwardOthers, AlarmHandledSet& handled);
