#pragma once

#include <exception>
#include <string>

namespace tallwick {

// The failures the tool detects itself while setting up a capture. Their
// messages are what the host application shows, so they are fixed texts.
class CaptureError final : public std::exception {
public:
    enum class Case { noDisplay, micDenied, converterFailed };

    static CaptureError noDisplay() { return CaptureError(Case::noDisplay); }
    static CaptureError micDenied() { return CaptureError(Case::micDenied); }
    static CaptureError converterFailed() { return CaptureError(Case::converterFailed); }

    explicit CaptureError(Case which) : which_(which) {}

    Case which() const { return which_; }
    const std::string& errorDescription() const;
    const char* what() const noexcept override { return errorDescription().c_str(); }

    friend bool operator==(const CaptureError& a, const CaptureError& b) {
        return a.which_ == b.which_;
    }

private:
    Case which_;
};

}  // namespace tallwick
