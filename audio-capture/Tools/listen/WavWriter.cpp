#include "WavWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tallwick::listen {

namespace {

constexpr std::uint32_t sampleRate = 16000;
constexpr std::uint16_t channels = 1;
constexpr std::uint16_t bitsPerSample = 16;
constexpr std::uint16_t blockAlign = channels * bitsPerSample / 8;
constexpr std::size_t headerSize = 44;

void putLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

std::array<std::uint8_t, 44> wavHeader(std::uint32_t dataBytes) {
    std::array<std::uint8_t, 44> header{};
    std::uint8_t* h = header.data();
    std::memcpy(h, "RIFF", 4);
    putLittleEndian(h + 4, 36 + dataBytes, 4);
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    putLittleEndian(h + 16, 16, 4);  // size of the fmt chunk
    putLittleEndian(h + 20, 1, 2);   // integer PCM
    putLittleEndian(h + 22, channels, 2);
    putLittleEndian(h + 24, sampleRate, 4);
    putLittleEndian(h + 28, sampleRate * blockAlign, 4);
    putLittleEndian(h + 32, blockAlign, 2);
    putLittleEndian(h + 34, bitsPerSample, 2);
    std::memcpy(h + 36, "data", 4);
    putLittleEndian(h + 40, dataBytes, 4);
    return header;
}

std::optional<WavWriter> WavWriter::create(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    WavWriter writer(fd, path);
    const auto header = wavHeader(0);
    if (!writer.writeAt(header.data(), header.size(), 0)) {
        error = writer.error();
        return std::nullopt;
    }
    return writer;
}

WavWriter::WavWriter(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

WavWriter::WavWriter(WavWriter&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      dataBytes_(other.dataBytes_),
      headerDataBytes_(other.headerDataBytes_),
      error_(std::move(other.error_)) {
    other.fd_ = -1;
}

WavWriter::~WavWriter() {
    close();
}

void WavWriter::fail(const std::string& what) {
    if (error_.empty()) {
        error_ = what + " " + path_ + ": " + std::strerror(errno);
    }
}

bool WavWriter::writeAt(const std::uint8_t* bytes, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t written = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot write");
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool WavWriter::append(std::span<const std::uint8_t> pcm) {
    if (fd_ < 0 || !error_.empty()) {
        return false;
    }
    if (dataBytes_ + pcm.size() > maxDataBytes) {
        error_ = path_ + " is full: a WAV file holds at most " + std::to_string(maxDataBytes) +
                 " bytes of audio";
        return false;
    }
    if (!writeAt(pcm.data(), pcm.size(), headerSize + dataBytes_)) {
        return false;
    }
    dataBytes_ += pcm.size();
    return true;
}

bool WavWriter::updateHeader() {
    if (fd_ < 0) {
        return false;
    }
    if (headerDataBytes_ == dataBytes_) {
        return error_.empty();
    }
    // Writing the header can still succeed after the data has failed, and
    // makes what did get written playable.
    std::string earlier = std::move(error_);
    error_.clear();
    const auto header = wavHeader(static_cast<std::uint32_t>(dataBytes_));
    const bool written = writeAt(header.data(), header.size(), 0);
    if (written) {
        headerDataBytes_ = dataBytes_;
    }
    if (!earlier.empty()) {
        error_ = std::move(earlier);
    }
    return written && error_.empty();
}

bool WavWriter::close() {
    if (fd_ < 0) {
        return error_.empty();
    }
    updateHeader();
    if (::close(fd_) != 0) {
        fail("cannot close");
    }
    fd_ = -1;
    return error_.empty();
}

}  // namespace tallwick::listen
