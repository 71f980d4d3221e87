// Field forms shared by the rest data of operators, groups and privilege objects: counted sets
// and maps (a 32-bit count, then the elements in ascending order), keys as three 32-bit words.
// Readers check every count against the bytes left before allocating, and clear the target
// before filling it.
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "core/ObjectKey.h"
#include "core/RestData.h"
#include "platform/BufferIO.h"

namespace restfields {

inline int Write(CBufferWriter& w, const MJOBJECT_KEY& k) {
    return w.Write(k.nClassID) && w.Write(k.nID) && w.Write(k.nServerNO);
}
template <class T>
int Write(CBufferWriter& w, const T& v) {
    return w.Write(v);
}
inline int Read(CBufferReader& r, MJOBJECT_KEY& k) {
    return r.Read(k.nClassID) && r.Read(k.nID) && r.Read(k.nServerNO);
}
template <class T>
int Read(CBufferReader& r, T& v) {
    return r.Read(v);
}

template <class T>
int WriteSet(CBufferWriter& w, const std::set<T>& s) {
    if (!w.Write(static_cast<std::uint32_t>(s.size()))) return 0;
    for (const T& v : s) {
        if (!Write(w, v)) return 0;
    }
    return 1;
}

template <class T>
int ReadSet(CBufferReader& r, std::set<T>& s) {
    s.clear();
    std::uint32_t count = 0;
    if (!::ReadCount(r, count, static_cast<int>(sizeof(T)))) return 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        T v{};
        if (!Read(r, v)) return 0;
        s.insert(s.end(), v);
    }
    return 1;
}

// server number -> object key -> privilege object ID
using PrivilegeMap = std::map<std::uint32_t, std::map<std::uint64_t, std::uint32_t>>;

inline int WritePrivilegeMap(CBufferWriter& w, const PrivilegeMap& m) {
    if (!w.Write(static_cast<std::uint32_t>(m.size()))) return 0;
    for (const auto& [server, inner] : m) {
        if (!w.Write(server) || !w.Write(static_cast<std::uint32_t>(inner.size()))) return 0;
        for (const auto& [key, id] : inner) {
            if (!w.Write(key) || !w.Write(id)) return 0;
        }
    }
    return 1;
}

inline int ReadPrivilegeMap(CBufferReader& r, PrivilegeMap& m) {
    m.clear();
    std::uint32_t outer = 0;
    if (!::ReadCount(r, outer, 8)) return 0;
    for (std::uint32_t i = 0; i < outer; ++i) {
        std::uint32_t server = 0, count = 0;
        if (!r.Read(server) || !::ReadCount(r, count, 12)) return 0;
        auto& inner = m[server];
        for (std::uint32_t j = 0; j < count; ++j) {
            std::uint64_t key = 0;
            std::uint32_t id = 0;
            if (!r.Read(key) || !r.Read(id)) return 0;
            inner[key] = id;
        }
    }
    return 1;
}

// Rows stored before a class had a rest level of its own hold only the base's level. When the
// class's own level cannot be read, the block is taken as the base's alone and the class's
// fields keep their values. A block of the own form never reads as the base's: the base's
// innermost level would have to end where the own level's length word stands.
inline int LoadOwnOrBaseLevel(CBufferReader& r, const RestBaseLoader& base, std::int32_t version,
                              const RestFieldsLoader& fields) {
    return LoadRestLevel(r, base, version, fields) || base(r) ? 1 : 0;
}

}  // namespace restfields
