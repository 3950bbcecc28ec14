#include "WavWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tallwick::listen {
namespace {

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WavWriter, WritesTheCanonicalHeaderAndKeepsItsSizesUpToDate) {
    const std::vector<std::uint8_t> expected = {
        'R', 'I', 'F', 'F', 0x2C, 0x7D, 0x00, 0x00,  // 36 + 32008
        'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        0x10, 0x00, 0x00, 0x00,  // fmt chunk of 16 bytes
        0x01, 0x00,              // integer PCM
        0x01, 0x00,              // one channel
        0x80, 0x3E, 0x00, 0x00,  // 16000 Hz
        0x00, 0x7D, 0x00, 0x00,  // 32000 bytes a second
        0x02, 0x00,              // 2 bytes a frame
        0x10, 0x00,              // 16 bits a sample
        'd', 'a', 't', 'a', 0x08, 0x7D, 0x00, 0x00,  // 32008 bytes
    };
    char name[] = "/tmp/tallwick-listen-wav-XXXXXX";
    ::close(::mkstemp(name));
    std::string error;
    auto writer = WavWriter::create(name, error);
    ASSERT_TRUE(writer) << error;
    EXPECT_EQ(fileBytes(name)[40], 0) << "an empty capture is a valid empty WAV";
    ASSERT_TRUE(writer->append(std::vector<std::uint8_t>(32000, 7)));
    ASSERT_TRUE(writer->append(std::vector<std::uint8_t>(8, 9)));
    // What is written so far is playable before the end.
    ASSERT_TRUE(writer->updateHeader());
    auto header = fileBytes(name);
    header.resize(44);
    EXPECT_EQ(header, expected);
    ASSERT_TRUE(writer->append(std::vector<std::uint8_t>{1, 2}));
    ASSERT_TRUE(writer->close());
    const auto bytes = fileBytes(name);
    ASSERT_EQ(bytes.size(), 44u + 32010);
    EXPECT_EQ(bytes[40], 0x0A);
    EXPECT_EQ(bytes[4], 0x2E);
    EXPECT_EQ(bytes.back(), 2);
    ::unlink(name);
}

}  // namespace
}  // namespace tallwick::listen
