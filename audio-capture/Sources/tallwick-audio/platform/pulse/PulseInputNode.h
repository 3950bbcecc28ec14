#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/Microphone.h"

namespace tallwick {

// The microphone input of an engine: the default source, in its own format.
class PulseInputNode final : public InputNode {
public:
    struct Tap {
        AudioFormat format;
        std::uint32_t framesPerBuffer;
    };

    // None when the source's format could not be learnt (no server, no
    // microphone): the node then reports a format of 0 Hz and 0 channels,
    // which nothing can be converted from.
    explicit PulseInputNode(std::optional<AudioFormat> format);

    AudioFormat outputFormatForBus(int bus) override;
    void installTap(int bus, std::uint32_t bufferSize, const AudioFormat& format,
                    TapBlock block) override;
    // Once it returns, the block is not called again; a call under way is
    // waited for unless it is the caller.
    void removeTap(int bus) override;

    std::optional<Tap> tap() const;
    // Hands `buffer` to the installed block, if there is one.
    void deliver(const PCMBuffer& buffer);

    // Frames per buffer when a tap asks for none.
    static constexpr std::uint32_t defaultFramesPerBuffer = 4096;

private:
    const std::optional<AudioFormat> format_;
    mutable std::recursive_mutex mutex_;
    std::optional<Tap> tap_;
    TapBlock block_;
};

}  // namespace tallwick
