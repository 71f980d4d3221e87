// The library's out-of-memory policy: nothing is thrown across its boundary. A function whose
// allocations grow with its input (counts and sizes read from bytes, rows of a table, a
// caller's value) runs that part through GuardAllocation, which turns std::bad_alloc, and the
// length_error a hostile size raises, into the function's documented failure value. Work is
// staged so that a failed call leaves the object as it was.
#pragma once

#include <exception>
#include <utility>

// body() converted to R, or failure when it threw.
template <class R, class Fn>
R GuardAllocation(R failure, Fn&& body) noexcept {
    try {
        return std::forward<Fn>(body)();
    } catch (const std::exception&) {
        return failure;
    }
}
