#include "kinemo-host/file_io.h"

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

// Why `path` could not be opened: Windows refuses to open a folder at all.
std::string openError(const std::string& path, int error) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return "cannot read " + path + ": " + reason(EISDIR);
    return "cannot open " + path + ": " + reason(error);
}

}  // namespace

bool readInput(const std::string& path, size_t maxBytes, std::string& text, std::string& error) {
    if (path == "-") return readAll(stdin, path, maxBytes, text, error);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = openError(path, errno);
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
        error = openError(path, errno);
        return false;
    }
    struct stat info {};
    bool directory = fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
    std::fclose(file);
    if (directory) error = "cannot read " + path + ": " + reason(EISDIR);
    return !directory;
}

bool checkFolder(const std::string& path, std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "cannot open " + path + ": " + reason(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) error = path + " is not a folder";
    return S_ISDIR(info.st_mode);
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
    if (isDeviceOrPipe(path)) {
        // A device or a pipe (/dev/null, /dev/stdout, NUL) is written in
        // place: renaming over it would replace it.
        if (direct_.open(path, std::ios::out | std::ios::binary | std::ios::trunc) == nullptr) {
            error = "cannot write " + path + ": " + reason(errno);
            return false;
        }
        file_.rdbuf(&direct_);
    } else {
        target_ = replacedFile(path);
        if (!createTemporaryBeside(target_, temp_)) {
            error = "cannot write " + path + ": " + reason(errno);
            return false;
        }
        file_.rdbuf(temp_.buffer.get());
    }
    file_.clear();
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
    std::filebuf* buffer = temp_.buffer ? temp_.buffer.get() : &direct_;
    if (buffer->close() == nullptr) file_.setstate(std::ios::failbit);
    if (file_.fail()) {
        error = "cannot write " + path_ + (errno != 0 ? ": " + reason(errno) : std::string());
        return false;
    }
    finished_ = true;
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (!finished_ && !finish(error)) return false;
    if (toStdout_ || temp_.path.empty()) return true;
    if (!replaceFile(temp_.path, target_)) {
        error = "cannot write " + path_ + ": " + reason(errno);
        return false;
    }
    temp_.path.clear();  // it is the target now
    dropTemporary(temp_);
    return true;
}

void OutputFile::discard() {
    file_.exceptions(std::ios::goodbit);
    file_.rdbuf(nullptr);
    if (direct_.is_open()) direct_.close();
    dropTemporary(temp_);
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
