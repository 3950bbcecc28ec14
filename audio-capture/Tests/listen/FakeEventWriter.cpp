// Stands in for tallwick_audio in the inspector's tests: a child whose
// behaviour on exit and on signals the tests choose.
//   fake_event_writer exit N            one log line, then exit status N
//   fake_event_writer stream            level + audio every 10 ms until killed
//   fake_event_writer stubborn MARKER   the same, but SIGINT and SIGTERM only
//                                       create the file MARKER
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

const char* marker = nullptr;

extern "C" void markSignal(int) {
    const int fd = ::open(marker, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
}

void writeAll(const std::string& text) {
    const char* next = text.data();
    std::size_t remaining = text.size();
    while (remaining > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, next, remaining);
        if (written <= 0) std::_Exit(1);
        next += written;
        remaining -= static_cast<std::size_t>(written);
    }
}

[[noreturn]] void stream() {
    // "AAEA" is the bytes 00 01 00: 80 of them make 120 frames of the samples
    // 256, 0 and 1 by turns, never a run of silence.
    std::string pcm;
    for (int i = 0; i < 80; ++i) pcm += "AAEA";
    const std::string pair = std::string("{\"type\":\"level\",\"message\":\"0.0427\"}\n") +
                             "{\"type\":\"audio\",\"data\":\"" + pcm + "\"}\n";
    writeAll("{\"type\":\"ready\",\"message\":\"fake\"}\n");
    for (;;) {
        writeAll(pair);
        timespec tenMs{0, 10'000'000};
        while (::nanosleep(&tenMs, &tenMs) != 0) {
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "exit") == 0) {
        writeAll("{\"type\":\"log\",\"message\":\"about to exit\"}\n");
        return std::atoi(argv[2]);
    }
    if (argc == 2 && std::strcmp(argv[1], "stream") == 0) {
        stream();
    }
    if (argc == 3 && std::strcmp(argv[1], "stubborn") == 0) {
        marker = argv[2];
        struct sigaction action {};
        action.sa_handler = markSignal;
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, nullptr);
        ::sigaction(SIGTERM, &action, nullptr);
        stream();
    }
    return 64;
}
