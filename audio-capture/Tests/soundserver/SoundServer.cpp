#include "SoundServer.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tallwick::testing {

namespace {

const std::string script = TALLWICK_SOUND_SERVER_SCRIPT;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace

SoundServer::SoundServer(Access access) {
    char pattern[] = "/tmp/tallwick-sound-XXXXXX";
    if (!::mkdtemp(pattern)) {
        throw std::runtime_error("cannot make a folder for the sound server");
    }
    directory_ = pattern;
    const auto started =
        runToEnd({"bash", script, access == Access::refusing ? "start-refusing" : "start",
                  directory_, std::to_string(::getpid())});
    if (started.status != 0) {
        throw std::runtime_error("the sound server did not start: " + started.output);
    }
    std::ifstream pidFile(directory_ + "/pid");
    pidFile >> pid_;
    std::ifstream kindFile(directory_ + "/kind");
    std::string kind;
    kindFile >> kind;
    kind_ = kind == "pipewire" ? Kind::pipewire : Kind::pulseaudio;
    environment_ = scriptLines("env");
}

SoundServer::~SoundServer() {
    try {
        stop();
    } catch (...) {
        ::kill(pid_, SIGKILL);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

std::vector<std::string> SoundServer::scriptLines(const std::string& command) const {
    const auto finished = runToEnd({"bash", script, command, directory_});
    if (finished.status != 0) {
        throw std::runtime_error("sound-server.sh " + command + " failed: " + finished.output);
    }
    return linesOf(finished.output);
}

std::vector<std::string> SoundServer::refusedEnvironment() const {
    return scriptLines("env-refused");
}

void SoundServer::exportEnvironment() const {
    for (const auto& entry : environment()) {
        const auto equals = entry.find('=');
        ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
}

void SoundServer::kill() {
    ::kill(pid_, SIGKILL);
    std::filesystem::remove(directory_ + "/pid");
}

void SoundServer::stop() {
    runToEnd({"bash", script, "stop", directory_});
}

std::string SoundServer::pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command{"pactl"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const auto finished = runToEnd(command, environment());
    if (finished.status != 0) {
        throw std::runtime_error("pactl " + arguments.front() + " failed: " + finished.output);
    }
    return finished.output;
}

void SoundServer::loadSink(const std::string& name, const std::string& properties) const {
    std::vector<std::string> arguments{"load-module",      "module-null-sink", "sink_name=" + name,
                                       "format=float32le", "rate=48000",       "channels=2"};
    if (!properties.empty()) {
        arguments.push_back("sink_properties='" + properties + "'");
    }
    pactl(arguments);
    // As the start script does for its sinks: without a low-latency stream
    // and one suspend cycle, a fresh null sink renders far ahead and what is
    // played into it arrives late.
    pactl({"load-module", "module-loopback", "source=" + name + ".monitor",
           "sink=tallwick_latency_sink", "latency_msec=20", "source_dont_move=true",
           "sink_dont_move=true"});
    pactl({"suspend-sink", name, "1"});
    pactl({"suspend-sink", name, "0"});
}

void SoundServer::unloadSink(const std::string& name) const {
    for (const auto& line : linesOf(pactl({"list", "short", "modules"}))) {
        std::istringstream fields(line);
        std::string index;
        std::string module;
        fields >> index >> module;
        const std::string rest = line + " ";
        if (module == "module-null-sink" &&
            rest.find("sink_name=" + name + " ") != std::string::npos) {
            pactl({"unload-module", index});
            return;
        }
    }
    throw std::runtime_error("no sink " + name);
}

void SoundServer::setDefaultSink(const std::string& name) const {
    pactl({"set-default-sink", name});
}

std::unique_ptr<RunningProgram> SoundServer::play(const std::string& sink,
                                                  const std::vector<float>& samples,
                                                  int rate) const {
    const std::string file = directory_ + "/played-" + std::to_string(played_++) + ".raw";
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(float)));
    out.close();
    // The server is asked to hold the whole sound before it plays: a player
    // that is not scheduled in time (a loaded machine) would otherwise leave
    // gaps in the sound, and a tone with a gap is no longer one steady tone.
    const auto holdMilliseconds = samples.size() * 1000 / static_cast<std::size_t>(rate) + 200;
    return std::make_unique<RunningProgram>(
        std::vector<std::string>{"pacat", "--playback", "--raw", "--device=" + sink,
                                 "--format=float32le", "--rate=" + std::to_string(rate),
                                 "--channels=1",
                                 "--latency-msec=" + std::to_string(holdMilliseconds), file},
        environment());
}

}  // namespace tallwick::testing
