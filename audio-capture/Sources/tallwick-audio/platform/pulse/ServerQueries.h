#pragma once

#include <pulse/pulseaudio.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/pulse/PulseConnection.h"

namespace tallwick {

// Questions to the server that a caller waits for. Each needs the connection
// locked and must not run on its mainloop thread. None means no answer: the
// connection failed (see its errorCode) or, for a named device, it does not
// exist.

struct ServerDefaults {
    // Either may be absent: a server with no sink or no source has no default.
    std::optional<std::string> sink;
    std::optional<std::string> source;
};
std::optional<ServerDefaults> queryServerDefaults(PulseConnection& connection);

// Every sink, in the server's order.
std::optional<std::vector<std::string>> querySinkNames(PulseConnection& connection);

// The name of the source that monitors `sink`.
std::optional<std::string> queryMonitorOfSink(PulseConnection& connection, const std::string& sink);

struct SourceLayout {
    pa_sample_spec spec;
    pa_channel_map channelMap;
    // A sink's monitor: what is played, not what a microphone hears.
    bool isMonitor;
};
std::optional<SourceLayout> querySourceLayout(PulseConnection& connection,
                                              const std::string& source);

}  // namespace tallwick
