// Result codes of the library: 0 is success, failures are the 0xA3E9xxxx family (negative
// as signed 32-bit numbers).
#pragma once

#include <cstdint>

constexpr std::int32_t NO_RESULT(std::uint32_t code) { return static_cast<std::int32_t>(code); }

constexpr std::int32_t S_SUCCESS = 0;
constexpr std::int32_t E_OBJECT_NULL = NO_RESULT(0xA3E90065u);
constexpr std::int32_t E_BUILTIN_NOT_DELETABLE = NO_RESULT(0xA3E90066u);
constexpr std::int32_t E_WRONG_OBJECT_CLASS = NO_RESULT(0xA3E90069u);
constexpr std::int32_t E_ID_NOT_LOCAL = NO_RESULT(0xA3E9007Au);
constexpr std::int32_t E_ALLOC_OBJECT_ID = NO_RESULT(0xA3E9007Bu);
constexpr std::int32_t E_DATABASE_UNAVAILABLE = NO_RESULT(0xA3E9013Cu);
constexpr std::int32_t E_DATABASE_OPERATION = NO_RESULT(0xA3E9013Eu);
constexpr std::int32_t E_CONTAINER_CYCLE = NO_RESULT(0xA3E90389u);
constexpr std::int32_t E_OPERATOR_NAME_EXISTS = NO_RESULT(0xA3E90579u);
constexpr std::int32_t E_OPERATOR_NAME_FIXED = NO_RESULT(0xA3E9057Au);
constexpr std::int32_t E_CONTAINER_MEMBER_NULL = NO_RESULT(0xA3E92329u);
constexpr std::int32_t E_AREA_MEMBER_NULL = NO_RESULT(0xA3E9232Au);
constexpr std::int32_t E_OUT_OF_MEMORY = NO_RESULT(0xA3E9232Bu);
