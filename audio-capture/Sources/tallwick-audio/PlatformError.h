#pragma once

#include <exception>
#include <string>

namespace tallwick {

// An error reported by the platform (sound server, capture framework). It
// travels unchanged to the process entry, which writes its description, so the
// description is the platform's own text and nothing else.
class PlatformError final : public std::exception {
public:
    explicit PlatformError(std::string description) : description_(std::move(description)) {}

    const std::string& localizedDescription() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    std::string description_;
};

// The text the entry writes for a failure of run(): the fixed message of our
// own errors, the platform's description of its errors.
std::string describeFailure(const std::exception_ptr& failure);

}  // namespace tallwick
