// The file-system calls kinemo-host makes that POSIX and Windows answer
// differently: temporaries beside a target, replacing a file by another
// atomically, removing temporaries when the process is ended from outside,
// and whether two names are one file. file_system_posix.cpp and
// file_system_windows.cpp each implement it for their platform.
#pragma once
#include <fstream>
#include <memory>
#include <string>

namespace khost {

// A temporary file being written beside its target. While it exists, an
// end of the process from outside (a signal; Ctrl-C, Ctrl-Break or a closed
// console window) removes it.
struct Temporary {
    std::string path;
    std::unique_ptr<std::filebuf> buffer;  // open for writing, binary
    int slot = -1;                         // where the removal on an outside end finds it
};

// Creates a new temporary beside `target` (same folder, named after it) with
// the permissions a file replacing it should have. False with errno set.
bool createTemporaryBeside(const std::string& target, Temporary& out);
// Removes it (closed first) unless it was renamed away; forgets it either way.
void dropTemporary(Temporary& temp);

// A device or a pipe, which an output writes in place (/dev/null, NUL).
bool isDeviceOrPipe(const std::string& path);

// The file an output named `path` replaces: through a symbolic link, the
// file it names.
std::string replacedFile(const std::string& path);

// Puts `from` in place of `to` in one step: `to` is either the old file or
// the new one, never missing or half written. False with errno set.
bool replaceFile(const std::string& from, const std::string& to);

// Both names reach one file: the same file if both exist, otherwise the same
// place (on Windows, in any case, with either slash, "." and ".." resolved).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace khost
