#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tallwick::listen {

// The 44-byte header of a canonical PCM WAV file: 16000 Hz, one channel,
// 16-bit little-endian samples, `dataBytes` of sample data after it.
std::array<std::uint8_t, 44> wavHeader(std::uint32_t dataBytes);

// Writes Output PCM to a WAV file as it arrives. The header's sizes are
// rewritten on every updateHeader() and on close(), so the file is a playable
// WAV up to the last update even if the process dies without closing it.
class WavWriter {
public:
    // The most sample data a WAV's 32-bit sizes can describe, whole samples only.
    static constexpr std::uint64_t maxDataBytes = (0xFFFFFFFFull - 36) & ~1ull;

    // Creates (or truncates) the file; nullopt with `error` set if it cannot.
    static std::optional<WavWriter> create(const std::string& path, std::string& error);

    WavWriter(WavWriter&& other) noexcept;
    WavWriter& operator=(WavWriter&&) = delete;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    ~WavWriter();

    // False once anything failed (see error()); later calls then do nothing.
    bool append(std::span<const std::uint8_t> pcm);
    bool updateHeader();
    bool close();

    std::uint64_t dataBytes() const { return dataBytes_; }
    // Empty while everything has been written.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    WavWriter(int fd, std::string path);
    bool writeAt(const std::uint8_t* bytes, std::size_t size, std::uint64_t offset);
    void fail(const std::string& what);

    int fd_;
    std::string path_;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t headerDataBytes_ = 0;
    std::string error_;
};

}  // namespace tallwick::listen
