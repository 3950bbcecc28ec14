#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

namespace tallwick {

// What the mainloop thread hands to the thread that delivers a capture, in
// recording order: audio, and tasks that must come after the audio before them
// (a notice, the end of the capture).
//
// Audio waiting here is capped. Delivery stalls while the reader of the events
// does not read, and recording goes on; without a cap memory would grow for as
// long as the stall lasts. Beyond the cap the oldest audio goes, and the drain
// that empties the backlog says how much went.
class CaptureBacklog {
public:
    static constexpr double defaultCapSeconds = 60.0;
    // A backlog that grew beyond this hands its memory back to the system
    // once it has drained.
    static constexpr std::size_t trimAboveBytes = 1 << 20;

    explicit CaptureBacklog(std::size_t bytesPerSecond, double capSeconds = defaultCapSeconds);

    // Both return true when no drain is under way or due: the caller then
    // schedules one on the delivering thread.
    bool push(std::vector<std::byte>&& audio);
    bool push(std::function<void()> task);

    // On the delivering thread: hands the audio to `deliver` and runs the
    // tasks, oldest first, until nothing is left. Returns the seconds of audio
    // dropped since the last drain that emptied the backlog.
    double drain(const std::function<void(std::vector<std::byte>&&)>& deliver);

    std::size_t capBytes() const { return capBytes_; }

private:
    using Entry = std::variant<std::vector<std::byte>, std::function<void()>>;

    bool add(Entry entry);
    void dropOldestAudio();

    const std::size_t bytesPerSecond_;
    const std::size_t capBytes_;
    std::mutex mutex_;
    std::deque<Entry> entries_;
    std::size_t audioBytes_ = 0;
    std::size_t droppedBytes_ = 0;
    std::size_t peakBytes_ = 0;
    bool drainDue_ = false;
};

// The notice for audio the cap dropped: "Reader too slow: 12.34 s of audio dropped".
std::string droppedAudioNotice(double seconds);

}  // namespace tallwick
