#pragma once
// A block of sound bytes handed from the capture engine to the sound file.
#include <cstdint>

namespace kv {

class CBuffer {
public:
    // Allocates `length` bytes, owned when `owns` is set. When memory runs out
    // the block is null and the length 0 (with a trace line).
    CBuffer(std::uint32_t length, bool owns);
    // Wraps an existing block without owning it; a null block has length 0.
    CBuffer(void* data, std::uint32_t length);
    ~CBuffer();
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;

    std::uint8_t* ptr = nullptr;
    std::uint32_t ByteLen = 0;
    bool m_bOwns = false;
};

}  // namespace kv
