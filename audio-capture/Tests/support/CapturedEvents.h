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
    // Each line without its line feed; fails the test if the output does not end in one.
    std::vector<std::string> lines() const;
    // Each line parsed as JSON.
    std::vector<nlohmann::json> events() const;

private:
    int fd_;
};

}  // namespace tallwick::testing
