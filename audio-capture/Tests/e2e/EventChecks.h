#pragma once

#include <string>
#include <vector>

#include "SoundServer.h"
#include "ToolRun.h"

namespace tallwick::testing {

using namespace std::chrono_literals;

const std::string screenPermissionLog = "Requesting screen capture permission\u2026";
const std::string microphonePermissionLog = "Requesting microphone permission\u2026";

// Runs the tool with `source` to its end: within ten seconds it must say it
// asks for access, write one "error" line of `message`, and exit with status 1.
void expectSetupFailure(const std::vector<std::string>& source,
                        const std::vector<std::string>& environment, const std::string& message);

// Fails the test for any line that breaks the line format.
void expectWellFormed(const ToolRun& run);

// Fails the test if the tool wrote anything to standard error. Sanitizer
// builds of the tool keep their standard error for the sanitizers' reports,
// and the libraries it loads may write there too; those builds are not checked.
void expectNothingOnStandardError(const ToolRun& run);

// Fails the test unless every "level" line comes directly before an "audio"
// line and there is at most one per 70 ms of audio.
void expectLevelsRideOnAudio(const std::vector<Event>& events);

// Whether the newest 0.2 s of audio is mostly a tone of `frequency`.
bool toneArrived(const std::vector<Event>& events, double frequency);

// Fails the test unless the audio that arrived over more than a second,
// starting half a second after the first (a stream starts with a burst of
// what the server already held), matches that time within `tolerance`:
// nothing lost, nothing made up.
void expectAudioCoversItsTime(const std::vector<Event>& events, double tolerance);

// Reads to the end, within `within`: the tool must exit with status 0, its
// last line the one "error" line, of `message`.
void expectEndsWithOneError(ToolRun& run, std::chrono::milliseconds within,
                            const std::string& message);

// Kills the server once audio flows: the tool must write exactly one "error",
// with the library's text, as its last line, and exit with status 0 within 1 s.
void expectOneErrorWhenTheServerDies(ToolRun& run, SoundServer& server);

}  // namespace tallwick::testing
