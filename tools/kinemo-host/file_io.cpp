#include "kinemo-host/file_io.h"

#include <climits>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace khost {
namespace {

std::string reason(int error) { return std::strerror(error); }

std::string displayName(const std::string& path) { return path == "-" ? "standard input" : path; }

// Reads to the end of `file`, refusing more than maxBytes.
bool readAll(std::FILE* file, const std::string& path, size_t maxBytes, std::string& text, std::string& error) {
    text.clear();
    char buffer[1 << 16];
    while (true) {
        size_t got = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, got);
        if (text.size() > maxBytes) {
            error = displayName(path) + " is larger than " + std::to_string(maxBytes >> 20) + " MB";
            return false;
        }
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file)) {
        error = "cannot read " + displayName(path) + ": " + reason(errno);
        return false;
    }
    return true;
}

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

bool readInput(const std::string& path, size_t maxBytes, std::string& text, std::string& error) {
    if (path == "-") return readAll(stdin, path, maxBytes, text, error);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path + ": " + reason(errno);
        return false;
    }
    struct stat info {};
    bool ok = true;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "cannot read " + path + ": " + reason(EISDIR);
        ok = false;
    }
    ok = ok && readAll(file, path, maxBytes, text, error);
    std::fclose(file);
    return ok;
}

bool checkReadable(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path + ": " + reason(errno);
        return false;
    }
    struct stat info {};
    bool directory = fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
    std::fclose(file);
    if (directory) error = "cannot read " + path + ": " + reason(EISDIR);
    return !directory;
}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& path, std::string& error) {
    discard();
    path_ = path;
    if (path == "-") {
        toStdout_ = open_ = true;
        return true;
    }
    struct stat info {};
    const bool exists = stat(path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        error = "cannot write " + path + ": " + reason(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a pipe (/dev/null, /dev/stdout) is written in place:
        // renaming over it would replace it.
        file_.open(path, std::ios::binary | std::ios::trunc);
        if (!file_) {
            error = "cannot write " + path + ": " + reason(errno);
            return false;
        }
        file_.exceptions(std::ios::badbit);
        open_ = true;
        return true;
    }
    // Through a symbolic link, the file it names is replaced, not the link.
    std::error_code ec;
    target_ = exists ? std::filesystem::canonical(path, ec).string() : path;
    if (ec) target_ = path;
    std::string temp = target_ + ".tmp-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot write " + path + ": " + reason(errno);
        return false;
    }
    // mkstemp makes the file private; give it the mode of the file it
    // replaces, or the one a new file would get.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, exists ? info.st_mode & 07777 : 0666 & ~mask);
    close(fd);
    temp_ = temp;
    tempSlot_ = rememberTemporary(temp_);
    file_.open(temp_, std::ios::binary | std::ios::trunc);
    if (!file_) {
        error = "cannot write " + path + ": " + reason(errno);
        discard();
        return false;
    }
    file_.exceptions(std::ios::badbit);
    open_ = true;
    return true;
}

std::ostream& OutputFile::stream() { return toStdout_ ? std::cout : file_; }

bool OutputFile::finish(std::string& error) {
    if (toStdout_) {
        finished_ = true;
        return true;
    }
    errno = 0;
    file_.exceptions(std::ios::goodbit);  // the answer is the return value here
    file_.flush();
    file_.close();
    if (file_.fail()) {
        error = "cannot write " + path_ + (errno != 0 ? ": " + reason(errno) : std::string());
        return false;
    }
    finished_ = true;
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (!finished_ && !finish(error)) return false;
    if (toStdout_ || temp_.empty()) return true;
#if defined(_WIN32)
    if (replaceFile(temp_.c_str(), target_.c_str()) != 0) {
#else
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
#endif
        error = "cannot write " + path_ + ": " + reason(errno);
        return false;
    }
    forgetTemporary(tempSlot_);
    temp_.clear();
    return true;
}

void OutputFile::discard() {
    file_.exceptions(std::ios::goodbit);
    if (file_.is_open()) file_.close();
    if (!temp_.empty()) std::remove(temp_.c_str());
    forgetTemporary(tempSlot_);
    temp_.clear();
    open_ = toStdout_ = finished_ = false;
}

std::string aboutFile(const std::string& subject, const std::string& message) {
    if (message.rfind(subject + ": ", 0) == 0) return message;
    return subject + ": " + message;
}

bool flushStandardOutput(std::string& error) {
    errno = 0;
    std::cout.flush();
    bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || std::cout.fail();
    if (lost) error = "writing standard output failed" + (errno != 0 ? ": " + reason(errno) : std::string());
    return !lost;
}

}  // namespace khost
