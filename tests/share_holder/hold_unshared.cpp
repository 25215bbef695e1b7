// hold_unshared FILE PROGRAM [ARGUMENT]...
//
// Opens FILE with no sharing at all (share mode 0), then runs PROGRAM with
// the arguments while it holds it, with the same standard handles, and exits
// with PROGRAM's exit code. Exits with 125 when FILE cannot be opened and 126
// when PROGRAM cannot be started. Arguments are quoted when they hold blanks;
// arguments with quotation marks are not supported.
#include <cstdio>
#include <string>

#include <windows.h>

namespace {

std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t") == std::string::npos) {
        return argument;
    }
    // Appended piece by piece: "literal" + std::string draws GCC 12's false
    // -Wrestrict at -O3.
    std::string text = "\"";
    text += argument;
    text += '"';
    return text;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        fprintf(stderr, "usage: hold_unshared FILE PROGRAM [ARGUMENT]...\n");
        return 2;
    }
    HANDLE held = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "hold_unshared: error %lu opening %s\n", GetLastError(), argv[1]);
        return 125;
    }
    std::string commandLine = quoted(argv[2]);
    for (int index = 3; index < argc; ++index) {
        commandLine += ' ';
        commandLine += quoted(argv[index]);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    // The held handle is not inheritable, so the program does not get it.
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        fprintf(stderr, "hold_unshared: error %lu starting %s\n", GetLastError(), argv[2]);
        return 126;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(held);
    return static_cast<int>(exitCode);
}
