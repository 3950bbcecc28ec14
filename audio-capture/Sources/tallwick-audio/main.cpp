#include <memory>
#include <string>
#include <vector>

#include "TallwickAudio.h"
#include "capture/MicCaptureRunner.h"
#include "capture/SystemCaptureRunner.h"
#include "platform/ProcessEntry.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    tallwick::runProcess([arguments = std::move(arguments)] {
        return tallwick::TallwickAudio::main(
            arguments, {
                           [] { return std::make_unique<tallwick::SystemCaptureRunner>(); },
                           [] { return std::make_unique<tallwick::MicCaptureRunner>(); },
                       });
    });
}
