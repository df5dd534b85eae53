// The POSIX calls kinemo-host makes, in their Windows form, for the win64
// build (forced in with -include; nothing here applies elsewhere). Windows
// has no SIGHUP, SIGPIPE or sigaction: the console signals it has are served
// by signal(); file modes are left as they come.
#pragma once
#if defined(_WIN32)
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <io.h>
#include <sys/stat.h>

#ifndef SIGHUP
#define SIGHUP 1
#endif
#ifndef SIGPIPE
#define SIGPIPE 13
#endif

using sigset_t = int;
struct sigaction {
    void (*sa_handler)(int);
    sigset_t sa_mask;
    int sa_flags;
};
inline int sigemptyset(sigset_t* set) { *set = 0; return 0; }
// Reads and replaces the handler through signal(); the signals Windows lacks
// are reported as left alone.
inline int sigaction(int signal, const struct sigaction* now, struct sigaction* was) {
    if (signal == SIGHUP || signal == SIGPIPE) return -1;
    auto previous = std::signal(signal, now != nullptr ? now->sa_handler : SIG_DFL);
    if (now == nullptr) std::signal(signal, previous);
    if (was != nullptr) *was = {previous, 0, 0};
    return previous == SIG_ERR ? -1 : 0;
}
inline int fchmod(int, int) { return 0; }

// Windows' rename refuses an existing target: replacing one is MoveFileExA's.
extern "C" __declspec(dllimport) int __stdcall MoveFileExA(const char*, const char*, unsigned long);
inline int replaceFile(const char* from, const char* to) {
    constexpr unsigned long kReplaceExisting = 1;
    if (MoveFileExA(from, to, kReplaceExisting) != 0) return 0;
    errno = EACCES;
    return -1;
}
#endif
