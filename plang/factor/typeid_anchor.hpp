// Typeids of the fifteen built-in value classes: fixed constants that the
// type registry's counter skips.
#pragma once

#include <cstdint>

namespace plang::typeid_anchor {

inline constexpr std::uint32_t boolean = 0xFFFFFF01u;       // "bool"
inline constexpr std::uint32_t signed_int = 0xFFFFFF02u;    // "int"
inline constexpr std::uint32_t real_float = 0xFFFFFF03u;    // "float"
inline constexpr std::uint32_t real_double = 0xFFFFFF04u;   // "double"
inline constexpr std::uint32_t string = 0xFFFFFF05u;        // "string"
inline constexpr std::uint32_t unsigned_int = 0xFFFFFF06u;  // "u?int"
inline constexpr std::uint32_t vector = 0xFFFFFF07u;        // "vector"
inline constexpr std::uint32_t list = 0xFFFFFF08u;          // "list"
inline constexpr std::uint32_t timer = 0xFFFFFF09u;         // "timer"
inline constexpr std::uint32_t hash = 0xFFFFFF0Au;          // "hash"
inline constexpr std::uint32_t nil = 0xFFFFFF0Bu;           // "nil"
inline constexpr std::uint32_t ref = 0xFFFFFF0Cu;           // "ref"
inline constexpr std::uint32_t typeid_ = 0xFFFFFF0Du;       // "typeid"
inline constexpr std::uint32_t bad_cast = 0xFFFFFF0Eu;      // "bad_cast"
inline constexpr std::uint32_t range_error = 0xFFFFFF0Fu;   // "range_error"

inline constexpr std::uint32_t first = boolean;
inline constexpr std::uint32_t last = range_error;
inline constexpr int count = 15;

// True for the typeid of a built-in class.
constexpr bool is_builtin(std::uint32_t id) { return id >= first && id <= last; }

// The type names in the order the type registry enters them.
struct entry {
  const wchar_t* name;
  std::uint32_t id;
};
inline constexpr entry builtins[count] = {
    {L"bool", boolean},       {L"int", signed_int},    {L"float", real_float},
    {L"double", real_double}, {L"string", string},     {L"u?int", unsigned_int},
    {L"vector", vector},      {L"list", list},         {L"timer", timer},
    {L"hash", hash},          {L"nil", nil},           {L"ref", ref},
    {L"typeid", typeid_},     {L"bad_cast", bad_cast}, {L"range_error", range_error},
};

}  // namespace plang::typeid_anchor
