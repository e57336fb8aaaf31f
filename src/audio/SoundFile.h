#pragma once
// The temporary WAV file of a capture: RIFF/WAVE with an 18-byte "fmt " chunk
// (46-byte header) and one "data" chunk written block by block. The two size
// fields are kept true after every block and written for the last time (with
// the pad byte after odd data) when the object is destroyed.
#include <cstdint>
#include <filesystem>
#include <string>

#include "audio/AudioFormat.h"
#include "audio/Buffer.h"

namespace kv {

class CSoundBase {
public:
    CSoundBase() = default;  // PCM, mono, 22050 Hz, 16-bit; 1000 frames per buffer
    virtual ~CSoundBase() = default;

    PcmFormat m_Format;
    int m_nBufferSize = 1000;
};

class CSoundFile : public CSoundBase {
public:
    // The most sound bytes a file takes: its RIFF size field is 32 bits.
    static constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (4 + 8 + PcmFormat::kSize + 8) - 1;

    // Creates (replaces) the file and writes the header; check IsOK().
    CSoundFile(const std::filesystem::path& fileName, const PcmFormat& format,
               std::uint64_t maxDataBytes = kMaxDataBytes);
    // Writes the true sizes (and a pad byte after odd data) and closes.
    ~CSoundFile() override;
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    bool IsOK() const { return m_nMode != 0; }
    // Appends the block to the data chunk; false unless every byte was written.
    bool Write(const CBuffer& buffer);
    // Sound bytes written so far.
    std::uint64_t DataBytes() const { return m_nDataBytes; }
    const std::filesystem::path& FileName() const { return m_strFileName; }
    // The errno of the last failure to create or write the file, 0 if none
    // (EFBIG when the size limit was reached).
    int Error() const { return m_nError; }
    bool ReachedSizeLimit() const { return m_bFull; }
    // Why the last failure happened, in words.
    std::string ErrorText() const;

    static constexpr std::uint32_t kHeaderSize = 46;

private:
    void CreateWaveFile();
    void Finalise();

    int m_hFile = -1;
    std::filesystem::path m_strFileName;
    int m_nMode = 0;  // 0: no usable file, 2: writing
    std::uint64_t m_nDataBytes = 0;
    std::uint64_t m_nMaxDataBytes;
    int m_nError = 0;
    bool m_bFull = false;
};

}  // namespace kv
