#if defined(_WIN32)
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <ext/stdio_filebuf.h>

#include "kinemo-host/file_system.h"

namespace khost {
namespace {

// The errno a C library gives for these Windows errors, so that messages
// read as they do elsewhere.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT: return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_NOT_SAME_DEVICE: return EXDEV;
        case ERROR_INVALID_NAME:
        case ERROR_DIRECTORY: return EINVAL;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        default: return EIO;
    }
}

bool failWith(DWORD error) {
    errno = errnoOf(error);
    return false;
}

// Temporaries being written, for the console handler to remove. It runs on a
// thread of its own while the main thread may still be writing: each slot is
// filled before it is marked used, and the files are opened sharing deletion
// so that they can be deleted while open.
constexpr int kMaxTemporaries = 8;
constexpr size_t kMaxPath = 32768;
char gTemporaries[kMaxTemporaries][kMaxPath];
volatile LONG gTemporaryUsed[kMaxTemporaries];

BOOL WINAPI removeTemporariesOnConsoleEnd(DWORD) {
    for (int i = 0; i < kMaxTemporaries; ++i)
        if (InterlockedCompareExchange(&gTemporaryUsed[i], 0, 0) != 0) DeleteFileA(gTemporaries[i]);
    return FALSE;  // the next handler, in the end Windows' own, ends the process
}

int rememberTemporary(const std::string& path) {
    static bool installed = false;
    if (!installed) installed = SetConsoleCtrlHandler(removeTemporariesOnConsoleEnd, TRUE) != 0;
    if (path.size() >= kMaxPath) return -1;
    for (int i = 0; i < kMaxTemporaries; ++i)
        if (InterlockedCompareExchange(&gTemporaryUsed[i], 0, 0) == 0) {
            CopyMemory(gTemporaries[i], path.c_str(), path.size() + 1);
            InterlockedExchange(&gTemporaryUsed[i], 1);
            return i;
        }
    return -1;
}

void forgetTemporary(int& slot) {
    if (slot >= 0) InterlockedExchange(&gTemporaryUsed[slot], 0);
    slot = -1;
}

// A name no other run picks: the process and a count, another if taken.
std::string temporaryName(const std::string& target) {
    static unsigned count = 0;
    return target + ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
}

// The absolute name of `path`, with backslashes, without a "\\?\" prefix.
std::string fullName(const std::string& path) {
    std::string name = path;
    for (char& c : name)
        if (c == '/') c = '\\';
    // "\\?\C:\x" and "\\?\UNC\server\x" name what "C:\x" and "\\server\x" do.
    if (name.rfind("\\\\?\\UNC\\", 0) == 0) name = "\\\\" + name.substr(8);
    else if (name.rfind("\\\\?\\", 0) == 0 && name.size() > 6 && name[5] == ':') name = name.substr(4);
    std::string full(kMaxPath, '\0');
    DWORD n = GetFullPathNameA(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return name;
    full.resize(n);
    while (full.size() > 3 && full.back() == '\\') full.pop_back();
    return full;
}

struct FileIdentity {
    DWORD volume, indexHigh, indexLow;
};

bool identity(const std::string& path, FileIdentity& out) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    out = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return ok;
}

}  // namespace

bool createTemporaryBeside(const std::string& target, Temporary& out) {
    constexpr unsigned kAttempts = 100;
    HANDLE h = INVALID_HANDLE_VALUE;
    std::string name;
    for (unsigned attempt = 0; attempt < kAttempts && h == INVALID_HANDLE_VALUE; ++attempt) {
        name = temporaryName(target);
        h = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) return failWith(GetLastError());
    out.path = name;
    out.slot = rememberTemporary(name);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        dropTemporary(out);
        errno = EMFILE;
        return false;
    }
    // Closes the descriptor, and with it the handle, when closed or dropped.
    out.buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(fd, std::ios::out | std::ios::binary);
    return true;
}

void dropTemporary(Temporary& temp) {
    if (temp.buffer) temp.buffer->close();
    temp.buffer.reset();
    if (!temp.path.empty()) DeleteFileA(temp.path.c_str());
    forgetTemporary(temp.slot);
    temp.path.clear();
}

// NUL, CON and the like exist in every folder and have no attributes;
// only the opened handle tells.
bool isDeviceOrPipe(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

std::string replacedFile(const std::string& path) { return path; }

bool replaceFile(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) return true;
    return failWith(GetLastError());
}

bool sameFile(const std::string& a, const std::string& b) {
    FileIdentity ia{}, ib{};
    if (identity(a, ia) && identity(b, ib))
        return ia.volume == ib.volume && ia.indexHigh == ib.indexHigh && ia.indexLow == ib.indexLow;
    return lstrcmpiA(fullName(a).c_str(), fullName(b).c_str()) == 0;
}

}  // namespace khost
#endif
