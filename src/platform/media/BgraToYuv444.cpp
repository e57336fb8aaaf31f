#include "platform/media/BgraToYuv444.h"

#include <cstddef>

namespace kv::media {
namespace {

// ThreadSanitizer's builds crash in the version chooser, which runs while the
// program is loaded, before the sanitizer is ready: they get one version.
#if defined(__SANITIZE_THREAD__)
#define KV_VECTOR_VERSIONS
#else
#define KV_VECTOR_VERSIONS __attribute__((target_clones("avx2", "default")))
#endif

// One row in 8-bit fixed point; the compiler turns the loop into vector code,
// in an AVX2 version as well where the processor has it.
KV_VECTOR_VERSIONS void ConvertRow(const std::uint8_t* __restrict bgra, int width, std::uint8_t* __restrict y,
                                   std::uint8_t* __restrict u, std::uint8_t* __restrict v) {
    for (int x = 0; x < width; ++x) {
        const int b = bgra[4 * x], g = bgra[4 * x + 1], r = bgra[4 * x + 2];
        y[x] = static_cast<std::uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
        u[x] = static_cast<std::uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
        v[x] = static_cast<std::uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
}

}  // namespace

void BgraToYuv444(const FrameImage& source, std::uint8_t* const planes[3], const int strides[3]) {
    for (int row = 0; row < source.height; ++row) {
        auto at = [&](int plane) { return planes[plane] + static_cast<std::ptrdiff_t>(row) * strides[plane]; };
        ConvertRow(source.Row(row), source.width, at(0), at(1), at(2));
    }
}

}  // namespace kv::media
