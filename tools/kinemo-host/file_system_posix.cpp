#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "kinemo-host/file_system.h"

namespace khost {
namespace {

// Temporaries of the outputs being written, for a signal that ends the
// process to remove: the handler may use async-signal-safe calls only.
constexpr int kMaxTemporaries = 8;
char gTemporaries[kMaxTemporaries][PATH_MAX];
volatile sig_atomic_t gTemporaryUsed[kMaxTemporaries];

extern "C" void removeTemporariesAndEnd(int signal) {
    for (int i = 0; i < kMaxTemporaries; ++i)
        if (gTemporaryUsed[i] != 0) unlink(gTemporaries[i]);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Only where the signal would end the process anyway: an ignored signal
// (nohup) or a handler of the embedding program stays as it is.
void removeTemporariesOnSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal : {SIGHUP, SIGINT, SIGPIPE, SIGTERM}) {
        struct sigaction now {};
        if (sigaction(signal, nullptr, &now) != 0 || now.sa_handler != SIG_DFL) continue;
        struct sigaction removing {};
        removing.sa_handler = removeTemporariesAndEnd;
        sigemptyset(&removing.sa_mask);
        sigaction(signal, &removing, nullptr);
    }
}

int rememberTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    removeTemporariesOnSignals();
    for (int i = 0; i < kMaxTemporaries; ++i)
        if (gTemporaryUsed[i] == 0) {
            std::memcpy(gTemporaries[i], path.c_str(), path.size() + 1);
            gTemporaryUsed[i] = 1;
            return i;
        }
    return -1;
}

void forgetTemporary(int& slot) {
    if (slot >= 0) gTemporaryUsed[slot] = 0;
    slot = -1;
}

}  // namespace

bool createTemporaryBeside(const std::string& target, Temporary& out) {
    struct stat info {};
    const bool exists = stat(target.c_str(), &info) == 0;
    std::string temp = target + ".tmp-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    // mkstemp makes the file private; give it the mode of the file it
    // replaces, or the one a new file would get.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, exists ? info.st_mode & 07777 : 0666 & ~mask);
    close(fd);
    out.path = temp;
    out.slot = rememberTemporary(temp);
    out.buffer = std::make_unique<std::filebuf>();
    if (out.buffer->open(temp, std::ios::out | std::ios::binary | std::ios::trunc) == nullptr) {
        const int error = errno;
        dropTemporary(out);
        errno = error;
        return false;
    }
    return true;
}

void dropTemporary(Temporary& temp) {
    if (temp.buffer) temp.buffer->close();
    temp.buffer.reset();
    if (!temp.path.empty()) std::remove(temp.path.c_str());
    forgetTemporary(temp.slot);
    temp.path.clear();
}

bool isDeviceOrPipe(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

std::string replacedFile(const std::string& path) {
    std::error_code ec;
    std::string file = std::filesystem::exists(path, ec) ? std::filesystem::canonical(path, ec).string() : path;
    return ec ? path : file;
}

bool replaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

}  // namespace khost
#endif
