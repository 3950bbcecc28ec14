#include "ListenOptions.h"

namespace tallwick::listen {

ParsedOptions parseListenOptions(std::span<const std::string> arguments) {
    ListenOptions options;
    ParsedOptions parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            options.command.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   arguments.end());
            if (options.command.empty()) {
                parsed.error = "no command after --";
                return parsed;
            }
            break;
        }
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--quiet" || argument == "-q") {
            options.quiet = true;
        } else if (argument == "--stdin") {
            options.fromStandardInput = true;
        } else if (argument == "--wav") {
            if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
                parsed.error = "--wav needs a file name";
                return parsed;
            }
            options.wavPath = arguments[++i];
        } else if (argument.starts_with("--wav=")) {
            options.wavPath = argument.substr(6);
            if (options.wavPath->empty()) {
                parsed.error = "--wav needs a file name";
                return parsed;
            }
        } else {
            parsed.error = "unknown argument " + argument;
            return parsed;
        }
    }
    if (options.help) {
        parsed.options = std::move(options);
        return parsed;
    }
    if (options.fromStandardInput == !options.command.empty()) {
        parsed.error = options.fromStandardInput
                           ? "--stdin and a command after -- exclude each other"
                           : "say what to inspect: --stdin, or -- and the command to run";
        return parsed;
    }
    parsed.options = std::move(options);
    return parsed;
}

std::string listenUsage() {
    return R"(usage: tallwick-audio-listen [--wav FILE] [--quiet] -- TOOL [ARGUMENTS...]
       tallwick-audio-listen [--wav FILE] [--quiet] --stdin

Checks a tallwick_audio event stream line by line, shows a live level bar on
the terminal, saves the audio, and prints a summary on standard output.

  -- TOOL ...   run TOOL (e.g. tallwick_audio --source system) and read its
                standard output; Ctrl-C or SIGTERM is passed on to it (a second
                one kills it), and the inspector waits for it to end
  --stdin       read the event stream from standard input instead
  --wav FILE    write the audio to FILE: WAV, 16 kHz, mono, 16-bit PCM
  --quiet       no live display (it goes to /dev/tty only, never to stdout)

exit status: 0 valid stream (and the tool, if run, ended normally or was
             stopped on request)
             1 invalid lines in the stream
             2 bad arguments, or the WAV file could not be created
             3 the tool failed: could not start, exited with a non-zero
               status, or was killed by a signal the inspector did not send
             4 the WAV file could not be written completely
             (when several apply, the lowest number wins)
)";
}

}  // namespace tallwick::listen
