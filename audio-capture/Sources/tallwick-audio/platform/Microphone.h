#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "PlatformError.h"
#include "platform/AudioFormat.h"
#include "platform/PCMBuffer.h"

namespace tallwick {

// Called with each captured buffer, one at a time, on a thread of the engine's.
using TapBlock = std::function<void(const PCMBuffer& buffer)>;

class InputNode {
public:
    virtual ~InputNode() = default;
    // The format of the buffers a tap on `bus` receives.
    virtual AudioFormat outputFormatForBus(int bus) = 0;
    virtual void installTap(int bus, std::uint32_t bufferSize, const AudioFormat& format,
                            TapBlock block) = 0;
    virtual void removeTap(int bus) = 0;
};

class AudioEngine {
public:
    virtual ~AudioEngine() = default;
    virtual InputNode& inputNode() = 0;
    // False with `error` filled when the engine does not run.
    virtual bool start(std::optional<PlatformError>& error) = 0;
    virtual void stop() = 0;
    // Called once, on a platform thread, when a running engine has lost its
    // input for good (device gone, server gone). A microphone that vanished
    // must be reported, not left to look like silence.
    virtual void onStoppedWithError(std::function<void(const PlatformError&)> handler) = 0;
    // The handler is called on the tap's thread, in order with the buffers,
    // with a line about the capture that does not end it: audio lost on the
    // way, the device suspended or resumed. What becomes of it is the
    // caller's business; a platform with nothing to say keeps this default.
    virtual void onNotice(std::function<void(const std::string& notice)>) {}
};

class Microphone {
public:
    virtual ~Microphone() = default;
    // The completion runs once, on a platform thread, with whether access is granted.
    virtual void requestAccess(std::function<void(bool granted)> completion) = 0;
    // Throws PlatformError when there is no engine to be had at all (a sound
    // server that cannot be reached); a machine without a microphone still
    // gets an engine, whose input has no format.
    virtual std::shared_ptr<AudioEngine> makeEngine() = 0;
};

}  // namespace tallwick
