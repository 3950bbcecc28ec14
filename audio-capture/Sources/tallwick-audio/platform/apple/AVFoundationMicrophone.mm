#include "platform/apple/AVFoundationMicrophone.h"

#import <AVFoundation/AVFoundation.h>

#include <memory>
#include <utility>

#include "platform/apple/AVAudioEngineAdapter.h"

namespace tallwick {

void AVFoundationMicrophone::requestAccess(std::function<void(bool granted)> completion) {
    auto done = std::make_shared<std::function<void(bool)>>(std::move(completion));
    [AVCaptureDevice requestAccessForMediaType:AVMediaTypeAudio
                             completionHandler:^(BOOL granted) {
                               (*done)(granted == YES);
                             }];
}

std::shared_ptr<AudioEngine> AVFoundationMicrophone::makeEngine() {
    return std::make_shared<AVAudioEngineAdapter>();
}

}  // namespace tallwick
