#pragma once

#include <memory>

#include "platform/ScreenCapture.h"

namespace tallwick {

// What can be captured is what the sound server plays: its sinks, the default
// sink first. Asking for them connects to the server; a server that cannot be
// reached or refuses us is the request's error, in libpulse's words.
class PulseScreenCapture final : public ScreenCapture {
public:
    // `requests` runs connection attempts and their completions, so that no
    // completion ever runs on the caller's thread or the mainloop's.
    explicit PulseScreenCapture(std::shared_ptr<SerialQueue> requests);

    void getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                             ShareableContentCompletion completion) override;
    std::shared_ptr<ContentFilter> makeContentFilter(
        const std::shared_ptr<Display>& display) override;
    std::shared_ptr<Stream> makeStream(std::shared_ptr<ContentFilter> filter,
                                       const StreamConfiguration& configuration,
                                       StreamDelegate* delegate) override;
    std::shared_ptr<SerialQueue> makeSerialQueue(const std::string& label) override;

private:
    std::shared_ptr<SerialQueue> requests_;
};

}  // namespace tallwick
