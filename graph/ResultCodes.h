#pragma once
// Result codes of the filter hooks, with the platform's values: a negative
// code is a failure, zero and positive codes are successes (S_FALSE and the
// VFW_S_ codes are successes that carry a remark).

#include <cstdint>

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
inline constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
inline constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154u);

inline constexpr HRESULT VFW_S_NO_MORE_ITEMS = HRESULT(0x00040103u);
inline constexpr HRESULT VFW_S_CANT_CUE = HRESULT(0x00040268u);
inline constexpr HRESULT VFW_S_NO_STOP_TIME = HRESULT(0x00040270u);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = HRESULT(0x80040204u);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = HRESULT(0x80040209u);
inline constexpr HRESULT VFW_E_NO_ALLOCATOR = HRESULT(0x8004020Au);
inline constexpr HRESULT VFW_E_NOT_FOUND = HRESULT(0x80040216u);
inline constexpr HRESULT VFW_E_WRONG_STATE = HRESULT(0x80040227u);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = HRESULT(0x8004022Au);
inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = HRESULT(0x80040249u);

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}
