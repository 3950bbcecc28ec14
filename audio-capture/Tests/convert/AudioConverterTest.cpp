#include "convert/AudioConverter.h"

#include <gtest/gtest.h>

#include "ConvertTestSupport.h"
#include "convert/OneShotInput.h"

namespace tallwick {
namespace {

using testing::pcmBufferOf;
using testing::tone;

const AudioFormat output = AudioFormat::outputPCM();

TEST(AudioConverterMake, TakesEveryCommonLayoutWithinTheRateRangeAndNothingElse) {
    for (const auto format :
         {CommonFormat::float32, CommonFormat::float64, CommonFormat::int16, CommonFormat::int32}) {
        for (const bool interleaved : {true, false}) {
            for (const std::uint32_t channels : {1u, 2u, 32u}) {
                for (const double rate : {8000.0, 22050.5, 48000.0, 384000.0}) {
                    const AudioFormat input(format, rate, channels, interleaved);
                    EXPECT_NE(AudioConverter::make(input, output), nullptr)
                        << static_cast<int>(format) << " " << interleaved << " " << channels << " "
                        << rate;
                }
            }
        }
    }
    const AudioFormat stereo48k(CommonFormat::float32, 48000, 2, true);
    const std::pair<AudioFormat, AudioFormat> refused[] = {
        // Only Output PCM comes out.
        {stereo48k, AudioFormat(CommonFormat::float32, 16000, 1, true)},
        {stereo48k, AudioFormat(CommonFormat::int16, 16000, 2, true)},
        // A sample layout without a common format.
        {*AudioFormat::fromStreamDescription({48000, 2, SampleType::floatingPoint, 16}), output},
        // Rates outside 8 kHz..384 kHz.
        {AudioFormat(CommonFormat::float32, 7999.0, 1, true), output},
        {AudioFormat(CommonFormat::float32, 384001.0, 1, true), output},
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_EQ(AudioConverter::make(refused[i].first, refused[i].second), nullptr)
            << "case " << i;
    }
}

// One convert() call handing over `input`; the test fails on an error.
std::vector<std::int16_t> convertOnce(AudioConverter& converter, const PCMBuffer& input,
                                      std::uint32_t capacity) {
    const auto output = PCMBuffer::make(AudioFormat::outputPCM(), capacity);
    std::optional<PlatformError> error;
    const auto status = converter.convert(*output, error, oneShotInput(input));
    EXPECT_FALSE(error.has_value()) << error->localizedDescription();
    EXPECT_NE(status, ConverterOutputStatus::error);
    const std::int16_t* samples = output->int16ChannelData()[0];
    return {samples, samples + output->frameLength()};
}

TEST(AudioConverterPull, RefusesBuffersThatDoNotHoldTheirFramesAndCarriesOn) {
    const AudioFormat format(CommonFormat::int16, 48000, 2, false);
    auto converter = AudioConverter::make(format, output);
    const auto convertFailing = [&](const InputBlock& input, PCMBuffer& out) {
        std::optional<PlatformError> error;
        EXPECT_EQ(converter->convert(out, error, input), ConverterOutputStatus::error);
        EXPECT_TRUE(error.has_value());
    };
    const auto pcmOut = PCMBuffer::make(output, 1000);
    std::vector<std::unique_ptr<PCMBuffer>> broken;
    for (int i = 0; i < 4; ++i)
        broken.push_back(pcmBufferOf(format, std::vector(2, tone(300, 0.5, 48000, 960))));
    broken[0]->mutableAudioBufferList()[1].dataByteSize = 959 * 2;  // a region too short
    broken[1]->mutableAudioBufferList().pop_back();                 // a region missing
    broken[2]->mutableAudioBufferList()[0].data = nullptr;          // no storage
    for (int i = 0; i < 3; ++i)
        convertFailing(oneShotInput(*broken[i]), *pcmOut);
    convertFailing(
        [](std::uint32_t, InputStatus& status) {
            status = InputStatus::haveData;
            return static_cast<const PCMBuffer*>(nullptr);
        },
        *pcmOut);
    const auto floatOut = PCMBuffer::make(AudioFormat(CommonFormat::float32, 16000, 1, true), 400);
    convertFailing(oneShotInput(*broken[3]), *floatOut);
    const auto stranger = pcmBufferOf(AudioFormat(CommonFormat::int16, 44100, 2, false),
                                      std::vector(2, tone(300, 0.5, 44100, 4410)));
    convertFailing(oneShotInput(*stranger), *pcmOut);

    // Still usable: a good buffer converts as if it came first.
    const auto good = pcmBufferOf(format, std::vector(2, tone(300, 0.5, 48000, 9600)));
    auto reference = AudioConverter::make(format, output);
    EXPECT_EQ(convertOnce(*converter, *good, 4000), convertOnce(*reference, *good, 4000));
}

}  // namespace
}  // namespace tallwick
