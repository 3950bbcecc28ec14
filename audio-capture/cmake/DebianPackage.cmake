# `cpack -G DEB` from a build tree: a Debian package of what `cmake --install`
# puts under /usr. Its runtime dependencies are read from the executables by
# dpkg-shlibdeps, so they name the libraries (libsoxr0, libpulse0, the C and C++
# runtimes) at the versions this build actually links against.
include_guard(GLOBAL)

set(TALLWICK_PACKAGE_CONTACT "Tallwick developers" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallwick-audio)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TALLWICK_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Audio capture sidecar of the Tallwick interview transcriber")
set(CPACK_PACKAGE_DESCRIPTION
    "tallwick_audio captures the system's audio output or the default microphone \
through the PulseAudio client interface (PulseAudio or PipeWire's pulse server), \
converts it to 16 kHz mono 16-bit PCM and writes it as newline-terminated JSON \
events on its standard output, for a transcriber that runs it as a child \
process. tallwick-audio-listen checks such an event stream and saves its audio \
as a WAV file.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The client library alone captures nothing: a sound server has to run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_STRIP_FILES ON)

include(CPack)
