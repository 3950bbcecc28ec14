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

class WavFile : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/tallwick-listen-wav-XXXXXX";
        const int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        ::close(fd);
        path_ = name;
    }
    void TearDown() override { ::unlink(path_.c_str()); }
    std::string path_;
};

TEST(WavHeader, IsTheCanonical44BytesFor16kHzMono16Bit) {
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
    const auto header = wavHeader(32008);
    EXPECT_EQ(std::vector<std::uint8_t>(header.begin(), header.end()), expected);
}

TEST_F(WavFile, HoldsTheSamplesAfterTheHeaderWithSizesFixedUpOnClose) {
    std::string error;
    auto writer = WavWriter::create(path_, error);
    ASSERT_TRUE(writer) << error;
    EXPECT_TRUE(writer->append(std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_TRUE(writer->append(std::vector<std::uint8_t>{5, 6}));
    // Before the fix-up the header still says "no data".
    EXPECT_EQ(fileBytes(path_)[40], 0);
    EXPECT_TRUE(writer->close());
    const auto bytes = fileBytes(path_);
    ASSERT_EQ(bytes.size(), 50u);
    const auto header = wavHeader(6);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 44, bytes.end()),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(WavFile, UpdatingTheHeaderMakesWhatIsWrittenSoFarPlayable) {
    std::string error;
    auto writer = WavWriter::create(path_, error);
    ASSERT_TRUE(writer) << error;
    writer->append(std::vector<std::uint8_t>(320, 7));
    EXPECT_TRUE(writer->updateHeader());
    const auto bytes = fileBytes(path_);
    const auto header = wavHeader(320);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
}

TEST_F(WavFile, AnEmptyCaptureIsAValidEmptyWav) {
    std::string error;
    auto writer = WavWriter::create(path_, error);
    ASSERT_TRUE(writer) << error;
    EXPECT_TRUE(writer->close());
    const auto header = wavHeader(0);
    EXPECT_EQ(fileBytes(path_), std::vector<std::uint8_t>(header.begin(), header.end()));
}

TEST(WavWriter, SaysWhyAFileCannotBeCreated) {
    std::string error;
    EXPECT_FALSE(WavWriter::create("/nonexistent-dir/x.wav", error));
    EXPECT_NE(error.find("/nonexistent-dir/x.wav"), std::string::npos);
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST(WavWriter, ReportsAWriteThatFails) {
    // /dev/full accepts the open and fails every write with ENOSPC.
    std::string error;
    auto writer = WavWriter::create("/dev/full", error);
    EXPECT_FALSE(writer);
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
}

}  // namespace
}  // namespace tallwick::listen
