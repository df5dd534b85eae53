// Loading a module DLL the way the host does, and saying why it failed: a
// missing dependency by name with the folders Windows searched, a DLL of the
// other width with the build of kinemo-host that loads it. Windows only.
#pragma once
#if defined(_WIN32)
#include <windows.h>

#include <string>

namespace kdrv {

struct DllLoadPlaces {
    std::string given;       // the path as given, for messages
    std::string path;        // absolute: Windows looks beside it first
    std::string libraryDir;  // absolute; searched next (SetDllDirectoryA)
    bool libraryDirGiven;    // else it is this program's folder
};

DllLoadPlaces dllLoadPlaces(const std::string& path, const std::string& libraryDir);

// The loaded DLL; throws std::runtime_error with the explanation.
HMODULE loadModuleDll(const DllLoadPlaces& places);

}  // namespace kdrv
#endif
