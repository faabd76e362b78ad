#pragma once

#include <cstdint>

namespace vesk {

// Results keep the original platform's 32-bit codes: negative is a failure.
using HResult = std::int32_t;

constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
// Success: the graph was not rendered, so it was not run.
constexpr HResult VFW_S_VIDEO_NOT_RENDERED = 0x00040257;

constexpr HResult E_NOTIMPL = static_cast<HResult>(0x80004001u);
constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult E_POINTER = static_cast<HResult>(0x80004003u);
constexpr HResult E_ABORT = static_cast<HResult>(0x80004004u);
constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult VFW_E_NOT_CONNECTED = static_cast<HResult>(0x80040209u);
constexpr HResult VFW_E_NOT_FOUND = static_cast<HResult>(0x80040216u);
constexpr HResult VFW_E_CANNOT_CONNECT = static_cast<HResult>(0x80040217u);

constexpr bool Succeeded(HResult result) { return result >= 0; }
constexpr bool Failed(HResult result) { return result < 0; }

}  // namespace vesk
