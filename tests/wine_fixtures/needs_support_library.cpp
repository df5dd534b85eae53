// A DLL whose one dependency is the host's support library, imported by
// ordinal as a module imports it, and which is no Kinemo module: what the
// loader's messages are tested with.
extern "C" __declspec(dllimport) int supportFirst();
extern "C" __declspec(dllexport) int needsSupportLibrary() { return supportFirst(); }
