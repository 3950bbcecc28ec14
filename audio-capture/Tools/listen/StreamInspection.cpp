#include "StreamInspection.h"

namespace tallwick::listen {

StreamInspection::StreamInspection(Clock now, WavWriter* wav)
    : now_(std::move(now)),
      wav_(wav),
      splitter_({[this](std::string_view line) { take(validator_.line(line)); },
                 [this](std::size_t length, std::string_view head) {
                     take(validator_.oversizeLine(length, head));
                 }}) {}

void StreamInspection::feed(std::string_view bytes) {
    // Every line completed by this read arrived now.
    arrival_ = now_();
    splitter_.feed(bytes);
}

void StreamInspection::end(bool stoppedFromOutside) {
    take(validator_.end(splitter_.remainder(), stoppedFromOutside));
    silence_.finish();
}

void StreamInspection::take(std::vector<LineOutcome> outcomes) {
    for (LineOutcome& outcome : outcomes) {
        take(outcome);
    }
}

void StreamInspection::take(LineOutcome& outcome) {
    ++tally_.lines;
    if (!outcome.event) {
        ++tally_.invalidLines;
        if (tally_.firstInvalid.size() < StreamTally::keptInvalid) {
            tally_.firstInvalid.push_back(outcome);
        }
    } else {
        const Event& event = *outcome.event;
        ++tally_.byType[static_cast<std::size_t>(event.type)];
        switch (event.type) {
            case EventType::audio: {
                const std::uint64_t frames = event.pcm.size() / 2;
                gaps_.add(arrival_, frames, outcome.lineNumber, tally_.frames);
                silence_.add(event.pcm);
                if (wav_ != nullptr) {
                    wav_->append(event.pcm);
                }
                tally_.frames += frames;
                break;
            }
            case EventType::level:
                // Settled just before its "audio", so the audio so far ends
                // where the measured chunk starts.
                levels_.add(tally_.frames, event.level);
                tally_.lastLevel = event.level;
                break;
            case EventType::log:
            case EventType::ready:
            case EventType::error:
                if (tally_.messages.size() < StreamTally::keptMessages) {
                    tally_.messages.push_back(outcome);
                } else {
                    ++tally_.messagesLeftOut;
                }
                break;
        }
        if (!outcome.note.empty() && tally_.notes.size() < StreamTally::keptNotes) {
            tally_.notes.push_back(outcome);
        }
    }
    if (onOutcome_) {
        onOutcome_(outcome, tally_);
    }
}

}  // namespace tallwick::listen
