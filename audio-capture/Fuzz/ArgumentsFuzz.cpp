// Arbitrary argument lists: parseSource never crashes and only ever answers
// "system" for a list whose first --source is followed by some casing of "system".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "TallwickAudio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // NUL bytes split the input into arguments, as argv would.
    std::vector<std::string> arguments{"tallwick_audio"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    arguments.push_back(current);

    const auto source = tallwick::TallwickAudio::parseSource(arguments);
    if (source != "system" && source != "mic") std::abort();
    if (source == "system") {
        std::size_t flag = 0;
        while (arguments[flag] != "--source") ++flag;
        const std::string& value = arguments.at(flag + 1);
        if (value.size() != 6) std::abort();
        for (std::size_t i = 0; i < 6; ++i) {
            if ((value[i] | 0x20) != "system"[i]) std::abort();
        }
    }
    return 0;
}
