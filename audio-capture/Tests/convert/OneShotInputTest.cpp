#include "convert/OneShotInput.h"

#include <gtest/gtest.h>

namespace tallwick {
namespace {

TEST(OneShotInput, HandsOverItsBufferOnceThenHasNoDataNow) {
    const auto buffer = PCMBuffer::make(AudioFormat::outputPCM(), 16);
    const InputBlock block = oneShotInput(*buffer);

    InputStatus status = InputStatus::endOfStream;
    EXPECT_EQ(block(4096, status), buffer.get());
    EXPECT_EQ(status, InputStatus::haveData);
    for (int call = 0; call < 3; ++call) {
        status = InputStatus::haveData;
        EXPECT_EQ(block(call, status), nullptr);
        EXPECT_EQ(status, InputStatus::noDataNow);  // never end of stream
    }
}

TEST(OneShotInput, EachBlockHasAFlagOfItsOwn) {
    const auto first = PCMBuffer::make(AudioFormat::outputPCM(), 16);
    const auto second = PCMBuffer::make(AudioFormat::outputPCM(), 16);
    const InputBlock a = oneShotInput(*first);
    InputStatus status;
    ASSERT_EQ(a(0, status), first.get());

    const InputBlock b = oneShotInput(*second);
    EXPECT_EQ(b(0, status), second.get());
    EXPECT_EQ(status, InputStatus::haveData);
    EXPECT_EQ(a(0, status), nullptr);
}

}  // namespace
}  // namespace tallwick
