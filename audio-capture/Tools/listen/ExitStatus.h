#pragma once

namespace tallwick::listen {

// The inspector's exit statuses; listenUsage() documents them.
namespace exitStatus {
constexpr int validStream = 0;
constexpr int invalidLines = 1;
constexpr int usageError = 2;
constexpr int toolFailed = 3;
constexpr int wavIncomplete = 4;
}  // namespace exitStatus

// A broken stream matters most: it is what the inspector exists to find.
constexpr int listenExitStatus(bool anyInvalidLines, bool toolFailedToRun, bool wavNotWritten) {
    if (anyInvalidLines) return exitStatus::invalidLines;
    if (toolFailedToRun) return exitStatus::toolFailed;
    if (wavNotWritten) return exitStatus::wavIncomplete;
    return exitStatus::validStream;
}

}  // namespace tallwick::listen
