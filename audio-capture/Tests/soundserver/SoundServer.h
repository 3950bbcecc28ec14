#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "RunningProgram.h"

namespace tallwick::testing {

// A private sound server in a temporary folder of its own, started by
// scripts/sound-server.sh and stopped by its PIDs: PulseAudio, or PipeWire with
// its pulse server when TALLWICK_SOUND_SERVER_KIND=pipewire. It also stops by
// itself if the test process dies first.
//
// Layout: "tallwick_speakers" (48 kHz stereo float) is the default sink;
// whatever is played into "tallwick_mic_feed" is heard on "tallwick_mic"
// (mono, microphoneRate()), the default source.
class SoundServer {
  public:
    enum class Kind { pulseaudio, pipewire };

    enum class Access {
        open,
        // Also listens on TCP with cookie authentication only, for clients
        // that the server must turn away.
        refusing,
    };

    explicit SoundServer(Access access = Access::open);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    const std::string& directory() const { return directory_; }
    Kind kind() const { return kind_; }
    // The microphone's own rate: PulseAudio keeps the layout's 44.1 kHz,
    // PipeWire runs every node at its graph rate.
    int microphoneRate() const { return kind_ == Kind::pipewire ? 48000 : 44100; }

    // NAME=value entries a client needs to reach this server.
    const std::vector<std::string>& environment() const { return environment_; }
    // The same for a client with the wrong cookie (Access::refusing only).
    std::vector<std::string> refusedEnvironment() const;
    // Points this process's own libpulse at the server.
    void exportEnvironment() const;

    // Ends the server the way a crash would.
    void kill();
    void stop();

    // Runs pactl against the server; fails the test when pactl fails.
    std::string pactl(const std::vector<std::string>& arguments) const;
    // A further null sink; `properties` as module-null-sink's sink_properties.
    void loadSink(const std::string& name, const std::string& properties = "") const;
    void unloadSink(const std::string& name) const;
    void setDefaultSink(const std::string& name) const;

    // Plays float mono `samples` at `rate` into `sink`, as one unbroken sound
    // however the player is scheduled; the player ends once they are played
    // (or when the object goes).
    std::unique_ptr<RunningProgram> play(const std::string& sink, const std::vector<float>& samples,
                                         int rate) const;

  private:
    std::vector<std::string> scriptLines(const std::string& command) const;

    std::string directory_;
    pid_t pid_ = -1;
    Kind kind_ = Kind::pulseaudio;
    std::vector<std::string> environment_;
    mutable int played_ = 0;
};

}  // namespace tallwick::testing
