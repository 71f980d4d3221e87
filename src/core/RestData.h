// The nesting rule of rest data, written once for every class:
//
//   [4-byte length, counting itself][the base class's rest block][4-byte version][own fields]
//
// A class's SaveRestData calls SaveRestLevel with its base's SaveRestData, its data version
// and a writer of its own fields; its LoadRestData calls LoadRestLevel likewise. The loader
// refuses a version newer than the class's own and succeeds only when the block's bytes were
// consumed exactly; on failure the read position is restored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/BufferIO.h"
#include "platform/Export.h"

// A reference to a callable for the length of one call: no allocation and one indirect call
// (the levels run on every frame). It does not own the callable, so it is only ever a
// parameter. Made from nullptr (or default-made) it is empty and tests false.
template <class Signature>
class RestCallback;

template <class R, class... Args>
class RestCallback<R(Args...)> {
public:
    RestCallback() = default;
    RestCallback(std::nullptr_t) {}  // NOLINT: nullptr stands for "no callable"
    template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, RestCallback> &&
             std::is_invocable_r_v<R, F&, Args...>)
        RestCallback(F&& f)  // NOLINT: made implicitly from the lambdas of a call
        : m_object(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          m_call([](void* object, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(object))(
                  std::forward<Args>(args)...);
          }) {}

    explicit operator bool() const { return m_call != nullptr; }
    R operator()(Args... args) const { return m_call(m_object, std::forward<Args>(args)...); }

private:
    void* m_object = nullptr;
    R (*m_call)(void*, Args...) = nullptr;
};

using RestBaseSaver = RestCallback<int(CBufferWriter&)>;
using RestFieldsSaver = RestCallback<int(CBufferWriter&)>;
using RestBaseLoader = RestCallback<int(CBufferReader&)>;
// Reads the fields that `version` has; 1 or 0.
using RestFieldsLoader = RestCallback<int(CBufferReader&, std::int32_t version)>;

// Writes one level: 1, or 0 when the base, the version or the fields cannot be written.
NAMEOBJECT_API int SaveRestLevel(CBufferWriter& writer, const RestBaseSaver& saveBase,
                                 std::int32_t version, const RestFieldsSaver& saveFields);
// Reads one level: 1, or 0 (position restored) for a length below 4, a failed base, a version
// above ownVersion, failed fields, bytes not consumed exactly, or memory running out.
NAMEOBJECT_API int LoadRestLevel(CBufferReader& reader, const RestBaseLoader& loadBase,
                                 std::int32_t ownVersion, const RestFieldsLoader& loadFields);

// The older raw rest form (no length words) is read from caller memory: `size` holds the bytes
// available on entry and receives the bytes consumed. RawCursor keeps that bookkeeping.
class RawCursor {
public:
    RawCursor(const void* data, int available)
        : m_p(static_cast<const std::uint8_t*>(data)), m_available(available < 0 ? 0 : available) {}
    bool Skip(int n) {
        if (n < 0 || n > m_available - m_used) return false;
        m_used += n;
        return true;
    }
    // A little-endian 32-bit value; false (nothing consumed) when fewer than 4 bytes remain.
    bool ReadU32(std::uint32_t& v) {
        if (Remaining() < 4) return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_p[m_used + i];
        m_used += 4;
        return true;
    }
    const std::uint8_t* Current() const { return m_p + m_used; }
    int Used() const { return m_used; }
    int Remaining() const { return m_available - m_used; }

private:
    const std::uint8_t* m_p;
    int m_available;
    int m_used = 0;
};
