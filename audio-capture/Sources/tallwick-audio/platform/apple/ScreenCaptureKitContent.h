#pragma once

#import <ScreenCaptureKit/ScreenCaptureKit.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ScreenCapture.h"

namespace tallwick {

class ScreenCaptureKitDisplay final : public Display {
public:
    explicit ScreenCaptureKitDisplay(SCDisplay* display) : display_(display) {}

    std::string name() const override;
    SCDisplay* display() const { return display_; }

private:
    SCDisplay* display_;
};

// What ScreenCaptureKit offers to capture; its displays in the order it lists them.
class ScreenCaptureKitShareableContent final : public ShareableContent {
public:
    explicit ScreenCaptureKitShareableContent(SCShareableContent* content);

    const std::vector<std::shared_ptr<Display>>& displays() const override { return displays_; }

private:
    SCShareableContent* content_;
    std::vector<std::shared_ptr<Display>> displays_;
};

class ScreenCaptureKitContentFilter final : public ContentFilter {
public:
    explicit ScreenCaptureKitContentFilter(SCContentFilter* filter) : filter_(filter) {}

    SCContentFilter* filter() const { return filter_; }

private:
    SCContentFilter* filter_;
};

}  // namespace tallwick
