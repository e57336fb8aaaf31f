#pragma once
// The largest picture and the highest frame rate rendering makes: it draws
// off screen, so no screen bounds them.
namespace kv {

inline constexpr int kRenderMaxWidth = 3840;
inline constexpr int kRenderMaxHeight = 2160;
inline constexpr int kRenderMaxFps = 60;

}  // namespace kv
