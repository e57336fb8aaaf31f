#include "audio/SoundFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/core/Trace.h"

namespace kv {
namespace {

constexpr std::uint32_t kRiffSizeOffset = 4;
constexpr std::uint32_t kDataSizeOffset = 42;
// The RIFF size counts everything after its own field: "WAVE", the format
// chunk and the data chunk's header.
constexpr std::uint32_t kRiffOverhead = 4 + 8 + PcmFormat::kSize + 8;
static_assert(CSoundFile::kMaxDataBytes == 0xFFFFFFFFull - kRiffOverhead - 1);

void PutLE32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool PatchLE32(int fd, std::uint32_t offset, std::uint32_t value) {
    std::uint8_t bytes[4];
    PutLE32(bytes, value);
    return ::pwrite(fd, bytes, 4, offset) == 4;
}

}  // namespace

CSoundFile::CSoundFile(const std::filesystem::path& fileName, const PcmFormat& format, std::uint64_t maxDataBytes)
    : m_strFileName(fileName), m_nMaxDataBytes(std::min(maxDataBytes, kMaxDataBytes)) {
    m_Format = format;
    m_nMode = 2;
    CreateWaveFile();
}

CSoundFile::~CSoundFile() { Finalise(); }

void CSoundFile::CreateWaveFile() {
    // Private, and never through a link: the sound of a recording is no one else's.
    m_hFile = ::open(m_strFileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_hFile < 0) {
        m_nError = errno;
        TraceF("CSoundFile::CreateWaveFile : cannot create %s: %s", m_strFileName.c_str(), std::strerror(m_nError));
        m_nMode = 0;
        return;
    }
    std::uint8_t header[kHeaderSize] = {};
    std::memcpy(header, "RIFF", 4);
    PutLE32(header + kRiffSizeOffset, kRiffOverhead);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLE32(header + 16, static_cast<std::uint32_t>(PcmFormat::kSize + m_Format.cbSize));
    const auto format = m_Format.ToBytes();
    std::memcpy(header + 20, format.data(), format.size());
    std::memcpy(header + 38, "data", 4);
    if (!WriteAll(m_hFile, header, sizeof header)) {
        m_nError = errno;
        TraceF("CSoundFile::CreateWaveFile : cannot write the header of %s", m_strFileName.c_str());
        ::close(m_hFile);
        m_hFile = -1;
        m_nMode = 0;
    }
}

bool CSoundFile::Write(const CBuffer& buffer) {
    if (m_nMode != 2 || m_hFile < 0) return false;
    if (m_nDataBytes + buffer.ByteLen > m_nMaxDataBytes) {
        m_nError = EFBIG;
        m_bFull = true;
        return false;
    }
    if (!WriteAll(m_hFile, buffer.ptr, buffer.ByteLen)) {
        // Drop the part of the block that made it, so the file ends where its sizes say.
        m_nError = errno;
        if (::ftruncate(m_hFile, static_cast<off_t>(kHeaderSize + m_nDataBytes)) != 0) {}
        return false;
    }
    m_nDataBytes += buffer.ByteLen;
    // Keep both sizes true after every block, so a file left behind by a
    // crash still plays up to its last block.
    const auto data = static_cast<std::uint32_t>(m_nDataBytes);
    if (PatchLE32(m_hFile, kDataSizeOffset, data) && PatchLE32(m_hFile, kRiffSizeOffset, kRiffOverhead + data)) return true;
    m_nError = errno;
    return false;
}

std::string CSoundFile::ErrorText() const {
    if (m_bFull) return "the sound file reached the 4 GB limit of the WAV format";
    return std::strerror(m_nError);
}

void CSoundFile::Finalise() {
    if (m_hFile < 0) return;
    if (m_nMode == 2) {
        const auto data = static_cast<std::uint32_t>(m_nDataBytes);
        std::uint32_t pad = 0;
        if (data % 2 != 0) {
            const std::uint8_t zero = 0;
            pad = WriteAll(m_hFile, &zero, 1) ? 1 : 0;
        }
        PatchLE32(m_hFile, kDataSizeOffset, data);
        PatchLE32(m_hFile, kRiffSizeOffset, kRiffOverhead + data + pad);
    }
    ::close(m_hFile);
    m_hFile = -1;
}

}  // namespace kv
