// Reading inputs and writing outputs the way a Unix tool should: "-" names
// standard input or output, every failure says which file and why, and an
// output file is either written whole or left untouched.
#pragma once
#include <cstddef>
#include <fstream>
#include <ostream>
#include <string>

#include "kinemo-host/file_system.h"

namespace khost {

// The whole of `path` ("-": standard input), at most maxBytes. On failure,
// false and an error such as "cannot open x.kscene: No such file or directory".
bool readInput(const std::string& path, size_t maxBytes, std::string& text, std::string& error);

// A file that `--module` can load: exists, is not a directory, can be read.
bool checkReadable(const std::string& path, std::string& error);

// A folder that exists (for --library-dir); otherwise false and `error`.
bool checkFolder(const std::string& path, std::string& error);

// Written to a temporary file beside the target and renamed over it on
// commit; dropped without commit, or when a signal ends the process, the
// target is untouched and the temporary removed. "-" writes to standard
// output, and a device or a pipe is written directly. A write that fails
// throws std::ios_base::failure at once; failed() then tells which file.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return open_; }
    bool toStdout() const { return toStdout_; }
    bool failed() const { return open_ && !toStdout_ && file_.bad(); }
    const std::string& path() const { return path_; }
    std::ostream& stream();
    // Flushes everything to the temporary file; false with `error` if that failed.
    bool finish(std::string& error);
    // Puts the finished file in place of the target.
    bool commit(std::string& error);

private:
    void discard();

    std::string path_;    // as the user gave it, for messages
    std::string target_;  // the file replaced on commit
    Temporary temp_;
    std::filebuf direct_;  // a device or a pipe, written in place
    std::ostream file_{nullptr};
    bool open_ = false;
    bool toStdout_ = false;
    bool finished_ = false;
};

// "SUBJECT: MESSAGE", unless the message already starts with the subject.
std::string aboutFile(const std::string& subject, const std::string& message);

// Flushes standard output; false with the reason if anything written to it
// was lost (a full disk, a closed pipe).
bool flushStandardOutput(std::string& error);

}  // namespace khost
