#include "support/sim/SimPlatform.h"

#include <utility>

namespace tallwick::testing {

namespace {

class SimDisplay final : public Display {
  public:
    explicit SimDisplay(std::string name) : name_(std::move(name)) {}
    std::string name() const override { return name_; }

  private:
    std::string name_;
};

class SimContent final : public ShareableContent {
  public:
    explicit SimContent(const std::vector<std::string>& names) {
        for (const auto& name : names)
            displays_.push_back(std::make_shared<SimDisplay>(name));
    }
    const std::vector<std::shared_ptr<Display>>& displays() const override { return displays_; }

  private:
    std::vector<std::shared_ptr<Display>> displays_;
};

}  // namespace

void SimPlatform::getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                                      ShareableContentCompletion completion) {
    record("getShareableContent(excludeDesktopWindows=" + std::to_string(excludeDesktopWindows) +
           ", onScreenWindowsOnly=" + std::to_string(onScreenWindowsOnly) + ")");
    onPlatformThread([this, completion] {
        completion(script_.contentError ? nullptr : std::make_shared<SimContent>(script_.displays),
                   script_.contentError);
    });
}

}  // namespace tallwick::testing

namespace tallwick {

// Test executables link the simulated platform as their host.
std::shared_ptr<Platform> hostPlatform() {
    return std::make_shared<testing::SimPlatform>();
}

}  // namespace tallwick
