// FlatKeyIndex: a hash table from 64-bit keys to values in one flat array (open addressing,
// linear probing, at most 3/4 full). One probe usually touches one cache line, and filing a
// key allocates only when the table grows. The two greatest key values mark empty and erased
// slots and cannot be filed (Indexable() is false for them).
// With kCountedKeys the low bits of a key pick its slot: keys handed out by a counter then
// fill neighbouring slots without a collision, and filing or finding them in order walks
// the table in order. Keys that are not one counted run (two runs whose low bits overlap,
// strided keys) would pile up behind each other instead: once a key lands more than
// kLongRun slots from its home, the table rehashes itself with Fibonacci hashing, which
// spreads any keys evenly, and keeps it until Clear(). Without kCountedKeys it always does.
// The table keeps the greatest distance of a filed key from its home slot, and a search stops
// there: counted keys fill one long run of slots, through which a search for a missing key
// (an erased one, say) would otherwise walk to the run's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

template <class V, bool kCountedKeys = false>
class FlatKeyIndex {
public:
    static constexpr bool Indexable(std::uint64_t key) { return key < kErased; }

    std::size_t Size() const { return m_live; }

    // The greatest distance of a filed key from its home slot: the most slots a find walks
    // past the first. Stays small (tens) whatever keys are filed.
    std::size_t LongestProbe() const { return m_farthest; }

    // Grows the table so that count keys fit without growing again. May throw bad_alloc.
    void Reserve(std::size_t count) {
        std::size_t capacity = 16;
        while (capacity / 4 * 3 < count) capacity *= 2;
        if (capacity > m_slots.size()) Rehash(capacity);
    }

    void Clear() {
        m_slots.clear();
        m_scattered = !kCountedKeys;
        m_shift = 64;
        m_live = m_used = m_farthest = 0;
    }

    // The value filed under key; null when none.
    const V* Find(std::uint64_t key) const {
        const std::size_t i = SlotOf(key);
        return i == kNone ? nullptr : &m_slots[i].value;
    }
    V* Find(std::uint64_t key) {
        return const_cast<V*>(static_cast<const FlatKeyIndex&>(*this).Find(key));
    }

    // Starts loading the slot where a find of key begins (a hint; no effect on the table).
    void Prefetch(std::uint64_t key) const {
        if (!m_slots.empty()) __builtin_prefetch(&m_slots[Home(key)]);
    }

    // The value filed under key, filed as V() first when missing. key must be Indexable. May
    // throw bad_alloc (the table is then unchanged).
    V& Get(std::uint64_t key) {
        if ((m_used + 1) * 4 > m_slots.size() * 3) {
            // Doubles when over half the slots hold keys; otherwise only sweeps erased slots.
            std::size_t capacity = m_slots.empty() ? 16 : m_slots.size();
            if ((m_live + 1) * 2 > capacity) capacity *= 2;
            Rehash(capacity);
        }
        // Past the farthest distance the key is not filed: the first erased slot seen, else
        // the first empty one, takes it.
        std::size_t erased = kNone;
        const std::size_t home = Home(key);
        std::size_t i = home;
        for (std::size_t distance = 0;; ++distance, i = (i + 1) & Mask()) {
            Slot& slot = m_slots[i];
            if (slot.key == key) return slot.value;
            if (slot.key == kEmpty) break;
            if (slot.key == kErased && erased == kNone) erased = i;
            if (distance >= m_farthest && erased != kNone) break;
        }
        if (erased != kNone) i = erased;
        if (!m_scattered && ((i - home) & Mask()) > kLongRun) {
            Scatter();
            return Get(key);
        }
        if (erased == kNone) ++m_used;
        ++m_live;
        Note(home, i);
        m_slots[i].key = key;
        return m_slots[i].value;
    }

    // Takes key out; false when it was not filed.
    bool Erase(std::uint64_t key) {
        const std::size_t i = SlotOf(key);
        if (i == kNone) return false;
        m_slots[i].key = kErased;
        m_slots[i].value = V();
        --m_live;
        return true;
    }

    // Calls fn(key, value) for every filed key, in no particular order.
    template <class Fn>
    void ForEach(Fn&& fn) const {
        for (const Slot& slot : m_slots) {
            if (Indexable(slot.key)) fn(slot.key, slot.value);
        }
    }

private:
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    static constexpr std::uint64_t kErased = kEmpty - 1;
    static constexpr std::size_t kNone = ~std::size_t{0};
    static constexpr std::size_t kLongRun = 32;  // slots from home that end the counted mode

    struct Slot {
        std::uint64_t key = kEmpty;
        V value{};
    };

    std::size_t Mask() const { return m_slots.size() - 1; }

    // The slot holding key, or kNone.
    std::size_t SlotOf(std::uint64_t key) const {
        if (m_slots.empty() || !Indexable(key)) return kNone;
        std::size_t i = Home(key);
        for (std::size_t distance = 0; distance <= m_farthest; ++distance, i = (i + 1) & Mask()) {
            if (m_slots[i].key == key) return i;
            if (m_slots[i].key == kEmpty) return kNone;
        }
        return kNone;
    }

    // Records the distance of a key filed at slot from its home slot.
    void Note(std::size_t home, std::size_t slot) {
        const std::size_t distance = (slot - home) & Mask();
        if (distance > m_farthest) m_farthest = distance;
    }
    // The low bits of key while the keys are one counted run; afterwards Fibonacci hashing,
    // the top bits of key times 2^64 / golden ratio.
    std::size_t Home(std::uint64_t key) const {
        if (!m_scattered) return static_cast<std::size_t>(key) & Mask();
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> m_shift);
    }

    // Files every key again with Fibonacci hashing. May throw bad_alloc (the table is then
    // unchanged).
    void Scatter() {
        m_scattered = true;
        try {
            Rehash(m_slots.size());
        } catch (...) {
            m_scattered = false;
            throw;
        }
    }

    void Rehash(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(m_slots);
        m_shift = 64;
        for (std::size_t c = capacity; c > 1; c >>= 1) --m_shift;
        m_used = m_live;
        m_farthest = 0;
        for (Slot& slot : old) {
            if (!Indexable(slot.key)) continue;
            const std::size_t home = Home(slot.key);
            std::size_t i = home;
            while (m_slots[i].key != kEmpty) i = (i + 1) & Mask();
            Note(home, i);
            m_slots[i] = std::move(slot);
        }
        if (!m_scattered && m_farthest > kLongRun) Scatter();
    }

    std::vector<Slot> m_slots;         // size 0 or a power of two
    std::size_t m_live = 0;            // filed keys
    std::size_t m_used = 0;            // filed and erased slots
    std::size_t m_farthest = 0;        // greatest distance of a filed key from its home slot
    unsigned m_shift = 64;             // 64 - log2(capacity)
    bool m_scattered = !kCountedKeys;  // Fibonacci hashing instead of the key's low bits
};
