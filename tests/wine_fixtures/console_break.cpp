// Runs a command line in a console of its own, waits until the file named by
// TARGET has a temporary beside it, presses Ctrl-C in the console, and
// reports what is left: the test of a run ended from its console. Exit
// status: 0 when the run ended and left no temporary. (Wine delivers no
// Ctrl-Break to another process group, so that is not tried.)
//   console_break.exe "COMMAND LINE" TARGET
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool temporaryExists(const std::string& target) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((target + ".tmp-*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string target = argv[2];
    FreeConsole();
    if (AllocConsole() == 0) {
        std::printf("no console: error %lu\n", GetLastError());
        return 3;
    }
    // Ctrl-C reaches every process of the console, this one too, which stays.
    SetConsoleCtrlHandler([](DWORD) -> BOOL { return TRUE; }, TRUE);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    std::string command = argv[1];
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process) == 0) {
        std::printf("cannot start the run: error %lu\n", GetLastError());
        return 3;
    }
    DWORD status = STILL_ACTIVE;
    while (!temporaryExists(target) && GetExitCodeProcess(process.hProcess, &status) && status == STILL_ACTIVE)
        Sleep(20);
    if (status != STILL_ACTIVE) {
        std::printf("the run ended before it wrote anything: status %lu\n", status);
        return 1;
    }
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        std::printf("the run did not end on Ctrl-C\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    GetExitCodeProcess(process.hProcess, &status);
    const bool left = temporaryExists(target);
    const bool written = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (written) std::printf("the run finished and wrote its target before Ctrl-C\n");
    std::printf("ended with status 0x%lX; %s\n", status, left ? "a temporary is left" : "no temporary left");
    return left || written ? 1 : 0;
}
