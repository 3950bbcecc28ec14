#include "platform/apple/AVAudioConverterResampler.h"

#include <cstring>
#include <limits>
#include <new>

#include "convert/FloatToInt16.h"
#include "platform/apple/NSErrorText.h"

namespace tallwick {

namespace {

constexpr double outputRate = 16000.0;
constexpr AVAudioFrameCount resampledBlock = 4096;

AVAudioFormat* monoFloat(double rate) {
    return [[AVAudioFormat alloc] initWithCommonFormat:AVAudioPCMFormatFloat32
                                            sampleRate:rate
                                              channels:1
                                           interleaved:NO];
}

}  // namespace

std::unique_ptr<MonoResampler> MonoResampler::make(double inputRate) {
    return AVAudioConverterResampler::create(inputRate);
}

std::unique_ptr<AVAudioConverterResampler> AVAudioConverterResampler::create(double inputRate) {
    AVAudioFormat* inputFormat = monoFloat(inputRate);
    AVAudioFormat* outputFormat = monoFloat(outputRate);
    if (inputFormat == nil || outputFormat == nil) {
        return nullptr;
    }
    AVAudioConverter* converter = [[AVAudioConverter alloc] initFromFormat:inputFormat
                                                                  toFormat:outputFormat];
    AVAudioPCMBuffer* block = [[AVAudioPCMBuffer alloc] initWithPCMFormat:outputFormat
                                                            frameCapacity:resampledBlock];
    if (converter == nil || block == nil) {
        return nullptr;
    }
    // Aliasing below -100 dB and a flat band to 7 kHz need the best filter;
    // the capture callback has the time for it.
    converter.sampleRateConverterAlgorithm = AVSampleRateConverterAlgorithm_Mastering;
    converter.sampleRateConverterQuality = AVAudioQualityMax;
    // Leading input is taken as silence, so the filter's delay comes off the
    // start of the stream and every later sample keeps its own time.
    converter.primeMethod = AVAudioConverterPrimeMethod_Normal;
    // Float to float: nothing to dither, and the same input must always give
    // the same output.
    converter.dither = NO;
    try {
        return std::unique_ptr<AVAudioConverterResampler>(
            new AVAudioConverterResampler(converter, inputFormat, block));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

AVAudioConverterResampler::AVAudioConverterResampler(AVAudioConverter* converter,
                                                     AVAudioFormat* inputFormat,
                                                     AVAudioPCMBuffer* block)
    : converter_(converter), inputFormat_(inputFormat), block_(block) {}

std::optional<PlatformError> AVAudioConverterResampler::process(std::span<const float> input,
                                                                SampleFifo& output) {
    // An input block that hands over no frames tells the converter the stream
    // has ended, and it would flush: an empty call has nothing to add anyway.
    if (input.empty()) {
        return std::nullopt;
    }
    if (input.size() > std::numeric_limits<AVAudioFrameCount>::max()) {
        return PlatformError("The input buffer is too long to resample.");
    }
    const auto frames = static_cast<AVAudioFrameCount>(input.size());
    // A buffer of its own for every call: the converter may still hold the
    // one it was handed until it asks for the next.
    AVAudioPCMBuffer* pulled = [[AVAudioPCMBuffer alloc] initWithPCMFormat:inputFormat_
                                                             frameCapacity:frames];
    if (pulled == nil || pulled.floatChannelData == nullptr) {
        return PlatformError("Out of memory for the input buffer.");
    }
    std::memcpy(pulled.floatChannelData[0], input.data(), input.size_bytes());
    pulled.frameLength = frames;

    __block BOOL handedOver = NO;
    AVAudioConverterInputBlock pull =
        ^AVAudioBuffer*(AVAudioPacketCount packets, AVAudioConverterInputStatus* status) {
          (void)packets;
          if (handedOver) {
              *status = AVAudioConverterInputStatus_NoDataNow;
              return nil;
          }
          handedOver = YES;
          *status = AVAudioConverterInputStatus_HaveData;
          return pulled;
        };

    // A full block means more may be ready: convert again until the input has
    // run dry.
    for (;;) {
        block_.frameLength = 0;
        NSError* failure = nil;
        const AVAudioConverterOutputStatus status = [converter_ convertToBuffer:block_
                                                                          error:&failure
                                                             withInputFromBlock:pull];
        if (status == AVAudioConverterOutputStatus_Error) {
            return platformErrorFrom(failure);
        }
        const AVAudioFrameCount made = block_.frameLength;
        try {
            toInt16(block_.floatChannelData[0], made, output.prepareBack(made));
        } catch (const std::bad_alloc&) {
            return PlatformError("Out of memory for converted samples.");
        }
        output.commitBack(made);
        if (status != AVAudioConverterOutputStatus_HaveData || made == 0) {
            return std::nullopt;
        }
    }
}

}  // namespace tallwick
