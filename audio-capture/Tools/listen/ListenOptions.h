#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tallwick::listen {

struct ListenOptions {
    std::optional<std::string> wavPath;
    bool quiet = false;
    bool help = false;
    bool fromStandardInput = false;
    std::vector<std::string> command;  // the tool and its arguments, after "--"
};

struct ParsedOptions {
    std::optional<ListenOptions> options;
    std::string error;  // set when options is not
};

// `arguments` without the program name.
ParsedOptions parseListenOptions(std::span<const std::string> arguments);

std::string listenUsage();

}  // namespace tallwick::listen
