#include <iostream>
#include <string>
#include <vector>

#include "ExitStatus.h"
#include "Listen.h"
#include "ListenOptions.h"

int main(int argc, char** argv) {
    using namespace tallwick::listen;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = parseListenOptions(arguments);
    if (!parsed.options) {
        std::cerr << "tallwick-audio-listen: " << parsed.error
                  << "\n(tallwick-audio-listen --help shows how to use it)\n";
        return exitStatus::usageError;
    }
    if (parsed.options->help) {
        std::cout << listenUsage();
        return exitStatus::validStream;
    }
    return listen(*parsed.options);
}
