// ThreadSanitizer sees libpulse's mutexes but not its own atomics (its lock-free
// queues, free lists and reference counts are compiled without the
// instrumentation), so it reports races between libpulse's threads that those
// atomics do order. Our own code is still checked in full.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "race:libpulse.so\n"
           "race:libpulsecommon-*.so\n";
}
#endif
