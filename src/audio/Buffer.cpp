#include "audio/Buffer.h"

#include <new>

#include "platform/core/Trace.h"

namespace kv {

CBuffer::CBuffer(std::uint32_t length, bool owns) : m_bOwns(owns) {
    ptr = new (std::nothrow) std::uint8_t[length];
    if (!ptr) {
        Trace("CBuffer::CBuffer : Out of memory for audio buffer!");
        return;
    }
    ByteLen = length;
}

CBuffer::CBuffer(void* data, std::uint32_t length)
    : ptr(static_cast<std::uint8_t*>(data)), ByteLen(data ? length : 0), m_bOwns(false) {}

CBuffer::~CBuffer() {
    if (m_bOwns) delete[] ptr;
}

}  // namespace kv
