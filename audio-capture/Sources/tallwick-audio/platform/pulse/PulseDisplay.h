#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ScreenCapture.h"
#include "platform/pulse/PulseConnection.h"

namespace tallwick {

// An output device (sink) whose sound can be captured, on the connection that
// listed it.
class PulseDisplay final : public Display {
public:
    PulseDisplay(std::shared_ptr<PulseConnection> connection, std::string sink)
        : connection_(std::move(connection)), sink_(std::move(sink)) {}

    std::string name() const override { return sink_; }
    const std::shared_ptr<PulseConnection>& connection() const { return connection_; }

private:
    std::shared_ptr<PulseConnection> connection_;
    std::string sink_;
};

class PulseContentFilter final : public ContentFilter {
public:
    explicit PulseContentFilter(std::shared_ptr<PulseDisplay> display)
        : display_(std::move(display)) {}

    // Null when the filter was made for a display of another backend.
    const std::shared_ptr<PulseDisplay>& display() const { return display_; }

private:
    std::shared_ptr<PulseDisplay> display_;
};

class PulseShareableContent final : public ShareableContent {
public:
    explicit PulseShareableContent(std::vector<std::shared_ptr<Display>> displays)
        : displays_(std::move(displays)) {}

    const std::vector<std::shared_ptr<Display>>& displays() const override { return displays_; }

private:
    std::vector<std::shared_ptr<Display>> displays_;
};

}  // namespace tallwick
