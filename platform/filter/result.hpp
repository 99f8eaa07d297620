// Result codes of the filter framework: negative values fail, the rest succeed.
// Codes the media layer quotes keep their quoted values; the others are ours.
#pragma once

#include <cstdint>

namespace platform::filter {

using HRESULT = std::int32_t;

constexpr HRESULT code(std::uint32_t value) { return static_cast<HRESULT>(value); }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// General results.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = code(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = code(0x80004002);
inline constexpr HRESULT E_POINTER = code(0x80004003);
inline constexpr HRESULT E_FAIL = code(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = code(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = code(0x80070057);
// A stream's read that starts a discontinuity.
inline constexpr HRESULT OLE_S_FIRST = code(0x00040000);

// Streaming results with quoted values.
inline constexpr HRESULT VFW_S_NO_MORE_ITEMS = code(0x00040103);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = code(0x80040209);
inline constexpr HRESULT VFW_E_BADALIGN = code(0x8004020E);
inline constexpr HRESULT VFW_E_ALREADY_COMMITTED = code(0x8004020F);
inline constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = code(0x80040210);
inline constexpr HRESULT VFW_E_SIZENOTSET = code(0x80040212);
inline constexpr HRESULT VFW_E_WRONG_STATE = code(0x80040227);
inline constexpr HRESULT VFW_E_TIMEOUT = code(0x8004022E);
inline constexpr HRESULT VFW_E_INVALID_MEDIA_TYPE = code(0x80040248);

// Streaming results of our own numbering (0x8004F0xx failures, 0x0004F0xx successes).
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = code(0x8004F001);
inline constexpr HRESULT VFW_E_NOT_STOPPED = code(0x8004F002);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = code(0x8004F003);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = code(0x8004F004);
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = code(0x8004F005);
inline constexpr HRESULT VFW_E_NOT_COMMITTED = code(0x8004F006);
inline constexpr HRESULT VFW_E_NO_ALLOCATOR = code(0x8004F007);
inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = code(0x8004F008);
inline constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = code(0x8004F009);
inline constexpr HRESULT VFW_E_BUFFER_OVERFLOW = code(0x8004F00A);
inline constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = code(0x8004F00B);
inline constexpr HRESULT VFW_E_NOT_FOUND = code(0x8004F00C);
inline constexpr HRESULT VFW_E_NO_CLOCK = code(0x8004F00D);
inline constexpr HRESULT VFW_E_RUNTIME_ERROR = code(0x8004F00E);
inline constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = code(0x8004F00F);
inline constexpr HRESULT VFW_E_FOREIGN_SAMPLE = code(0x8004F010);
inline constexpr HRESULT VFW_S_NO_STOP_TIME = code(0x0004F001);
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = code(0x0004F002);

// Graph event codes a filter reports.
inline constexpr std::int32_t EC_COMPLETE = 1;
inline constexpr std::int32_t EC_ERRORABORT = 3;

}  // namespace platform::filter
