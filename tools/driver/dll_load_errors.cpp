#if defined(_WIN32)
#include "driver/dll_load_errors.h"

#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "driver/dll_file_facts.h"

namespace kdrv {
namespace {

constexpr int kDependencyDepth = 4;

std::string fullPath(const std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n == 0 || n >= sizeof buffer ? path : std::string(buffer, n);
}

std::string folderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return ".";
    // "C:\x.dll" keeps its root.
    return path.substr(0, cut == 0 || (cut == 2 && path[1] == ':') ? cut + 1 : cut);
}

std::string programFolder() {
    char buffer[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return n == 0 || n >= sizeof buffer ? std::string(".") : folderOf(std::string(buffer, n));
}

std::string joined(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + "\\" + name;
}

std::string errorText(DWORD code) {
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD n = FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string out = n != 0 && text != nullptr ? std::string(text, n) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

std::string windowsError(DWORD code, const std::string& path) {
    std::string text = errorText(code);
    if (size_t insert = text.find("%1"); insert != std::string::npos) text.replace(insert, 2, path);
    return "Windows error " + std::to_string(code) + (text.empty() ? "" : ": " + text);
}

struct Folder {
    std::string path, why;
};

// The folders Windows searches for a dependency of a DLL loaded with an
// altered search path and a DLL directory, in its order.
std::vector<Folder> searchedFolders(const DllLoadPlaces& places) {
    std::vector<Folder> folders = {{folderOf(places.path), "beside the module"},
                                   {places.libraryDir, places.libraryDirGiven ? "--library-dir" : "this program's folder"}};
    char buffer[MAX_PATH * 4];
    UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
    if (n != 0 && n < sizeof buffer) folders.push_back({std::string(buffer, n), "the system folder"});
    n = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (n != 0 && n < sizeof buffer) {
        folders.push_back({joined(std::string(buffer, n), "System"), "the 16-bit system folder"});
        folders.push_back({std::string(buffer, n), "the Windows folder"});
    }
    DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    std::string path(size, '\0');
    path.resize(size == 0 ? 0 : GetEnvironmentVariableA("PATH", path.data(), size));
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(';', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) folders.push_back({path.substr(start, end - start), "PATH"});
        start = end + 1;
    }
    return folders;
}

bool isFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Names resolved by the loader itself, never looked up as files.
bool isApiSet(const std::string& name) {
    auto starts = [&](const char* prefix) { return _strnicmp(name.c_str(), prefix, strlen(prefix)) == 0; };
    return starts("api-ms-") || starts("ext-ms-");
}

struct Missing {
    std::string dll;       // empty: not found out
    std::string neededBy;  // the DLLs in between, nearest first
};

// The first DLL in the import chain that is neither loaded nor in any folder
// searched.
Missing missingDependency(const std::string& file, const std::vector<Folder>& folders, int depth) {
    auto facts = readDllFileFacts(file);
    if (!facts || depth == 0) return {};
    for (const std::string& name : facts->importedDlls) {
        if (isApiSet(name) || GetModuleHandleA(name.c_str()) != nullptr) continue;
        std::string found;
        for (const Folder& f : folders)
            if (found.empty() && isFile(joined(f.path, name))) found = joined(f.path, name);
        if (found.empty()) return {name, ""};
        Missing deeper = missingDependency(found, folders, depth - 1);
        if (!deeper.dll.empty()) return {deeper.dll, deeper.neededBy.empty() ? name : deeper.neededBy + ", " + name};
    }
    return {};
}

std::string notFoundMessage(const DllLoadPlaces& places) {
    const std::vector<Folder> folders = searchedFolders(places);
    const Missing missing = missingDependency(places.path, folders, kDependencyDepth);
    std::string what = missing.dll.empty() ? std::string("a DLL it needs") : missing.dll;
    if (!missing.neededBy.empty()) what += " (needed by " + missing.neededBy + ")";
    std::string out = places.given + ": cannot load it: " + what + " is in none of the folders searched (" +
                      windowsError(ERROR_MOD_NOT_FOUND, places.given) + "):";
    for (const Folder& f : folders) out += "\n  " + f.path + " (" + f.why + ")";
    if (missing.dll.empty() || isSupportLibraryName(missing.dll))
        out += "\nName the host's folder, where its support library is, with --library-dir.";
    return out;
}

std::string wrongWidthMessage(const DllLoadPlaces& places) {
    const uint16_t own = sizeof(void*) == 4 ? kMachineI386 : kMachineAmd64;
    const std::string error = windowsError(ERROR_BAD_EXE_FORMAT, places.given);
    auto facts = readDllFileFacts(places.path);
    if (!facts) return places.given + ": not a Windows DLL (" + error + ")";
    if (facts->machine == own || (facts->machine != kMachineI386 && facts->machine != kMachineAmd64))
        return places.given + ": not a DLL this kinemo-host can load (" + error + ")";
    const std::string build = facts->machine == kMachineI386
                                  ? "the 32-bit (i686) build of kinemo-host, the kinemo-host.exe released with kinemo.qlm"
                                  : "the 64-bit (x86-64) build of kinemo-host";
    return places.given + ": a " + machineWidth(facts->machine) + " DLL, which this " + machineWidth(own) +
           " kinemo-host cannot load (Windows error 193); use " + build;
}

}  // namespace

DllLoadPlaces dllLoadPlaces(const std::string& path, const std::string& libraryDir) {
    return {path, fullPath(path), libraryDir.empty() ? programFolder() : fullPath(libraryDir), !libraryDir.empty()};
}

HMODULE loadModuleDll(const DllLoadPlaces& places) {
    // A dependency on a drive with no disk fails the load instead of asking.
    const UINT previousMode = SetErrorMode(0);
    SetErrorMode(previousMode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The library folder also takes the current folder's place in the search.
    SetDllDirectoryA(places.libraryDir.c_str());
    HMODULE dll = LoadLibraryExA(places.path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetErrorMode(previousMode);
    if (dll != nullptr) return dll;
    switch (error) {
        case ERROR_MOD_NOT_FOUND: throw std::runtime_error(notFoundMessage(places));
        case ERROR_BAD_EXE_FORMAT: throw std::runtime_error(wrongWidthMessage(places));
        default: throw std::runtime_error(places.given + ": cannot load it (" + windowsError(error, places.given) + ")");
    }
}

}  // namespace kdrv
#endif
