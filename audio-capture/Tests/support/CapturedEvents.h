#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tallwick::testing {

// Points the process-wide event stream at a temporary file for the lifetime of
// the object, so a test can read back exactly the bytes the tool wrote.
class CapturedEvents {
  public:
    CapturedEvents();
    ~CapturedEvents();
    CapturedEvents(const CapturedEvents&) = delete;
    CapturedEvents& operator=(const CapturedEvents&) = delete;

    std::string bytes() const;
    // Each line parsed as JSON; fails the test if the output does not end in a line feed.
    std::vector<nlohmann::json> events() const;

  private:
    int fd_;
};

}  // namespace tallwick::testing
