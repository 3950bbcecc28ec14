#include "platform/pulse/PulseScreenCapture.h"

#include <algorithm>

#include "platform/ThreadSerialQueue.h"
#include "platform/pulse/PulseDisplay.h"
#include "platform/pulse/PulseStream.h"
#include "platform/pulse/ServerQueries.h"

namespace tallwick {

namespace {

// The server's sinks, its default first: that is the one the user hears.
std::optional<std::vector<std::string>> sinksDefaultFirst(PulseConnection& connection) {
    PulseConnection::Lock lock(connection);
    const auto defaults = queryServerDefaults(connection);
    auto sinks = querySinkNames(connection);
    if (!defaults || !sinks) {
        return std::nullopt;
    }
    if (defaults->sink) {
        const auto found = std::find(sinks->begin(), sinks->end(), *defaults->sink);
        if (found != sinks->end()) {
            std::rotate(sinks->begin(), found, found + 1);
        }
    }
    return sinks;
}

}  // namespace

PulseScreenCapture::PulseScreenCapture(std::shared_ptr<SerialQueue> requests)
    : requests_(std::move(requests)) {}

void PulseScreenCapture::getShareableContent(bool, bool, ShareableContentCompletion completion) {
    requests_->async([completion = std::move(completion)] {
        int error = 0;
        auto connection = PulseConnection::open(error);
        if (!connection) {
            completion(nullptr, PlatformError(pulseErrorText(error)));
            return;
        }
        const auto sinks = sinksDefaultFirst(*connection);
        if (!sinks) {
            completion(nullptr, PlatformError(pulseErrorText(connection->errorCode())));
            return;
        }
        std::vector<std::shared_ptr<Display>> displays;
        for (const std::string& sink : *sinks) {
            displays.push_back(std::make_shared<PulseDisplay>(connection, sink));
        }
        connection.reset();
        completion(std::make_shared<PulseShareableContent>(std::move(displays)), std::nullopt);
    });
}

std::shared_ptr<ContentFilter> PulseScreenCapture::makeContentFilter(
    const std::shared_ptr<Display>& display) {
    return std::make_shared<PulseContentFilter>(std::dynamic_pointer_cast<PulseDisplay>(display));
}

std::shared_ptr<Stream> PulseScreenCapture::makeStream(std::shared_ptr<ContentFilter> filter,
                                                       const StreamConfiguration& configuration,
                                                       StreamDelegate* delegate) {
    std::shared_ptr<PulseDisplay> display;
    if (const auto* ours = dynamic_cast<const PulseContentFilter*>(filter.get())) {
        display = ours->display();
    }
    return std::make_shared<PulseStream>(display ? display->connection() : nullptr,
                                         display ? display->name() : std::string{}, configuration,
                                         delegate, requests_);
}

std::shared_ptr<SerialQueue> PulseScreenCapture::makeSerialQueue(const std::string& label) {
    return std::make_shared<ThreadSerialQueue>(label);
}

}  // namespace tallwick
