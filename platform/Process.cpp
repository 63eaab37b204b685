#include "platform/Process.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "platform/WindowsPath.h"

extern char** environ;

namespace {

bool IsBlank(char Character) { return Character == ' ' || Character == '\t'; }

bool IsFile(const std::string& Path)
{
    struct stat status {};
    return ::stat(Path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Whether the shell can read the file as a script: it can be opened for reading and, as
// bash judges, it is no binary file (no NUL byte on its first line).
bool IsShellScript(const std::string& Path)
{
    const int descriptor = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    char start[80];
    ssize_t got;
    while ((got = ::read(descriptor, start, sizeof start)) < 0 && errno == EINTR) {
    }
    ::close(descriptor);
    if (got < 0)
        return false;
    const std::string_view sample(start, static_cast<size_t>(got));
    return sample.substr(0, sample.find('\n')).find('\0') == std::string_view::npos;
}

struct TProgram {
    std::string path;           // the file, as a POSIX path
    std::string_view arguments; // the rest of the command line
};

// The program of CommandLine as Windows looks for it: every part of the line that ends
// before a blank, shortest first, then the whole line; the first that names a file (a folder
// does not count) is the program.
std::optional<TProgram> FindProgram(std::string_view CommandLine)
{
    for (size_t end = 1; end <= CommandLine.size(); ++end) {
        if (end < CommandLine.size() && !IsBlank(CommandLine[end]))
            continue;
        std::string path = PosixPath(std::string(CommandLine.substr(0, end)));
        if (IsFile(path))
            return TProgram{std::move(path), CommandLine.substr(std::min(end + 1, CommandLine.size()))};
    }
    return std::nullopt;
}

// Starts Program with Arguments (the first one its name) and waits for its end. The error
// that kept it from starting; 0 when it ran.
int RunAndWait(const std::string& Program, const std::vector<std::string>& Arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : Arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (const int error = ::posix_spawn_file_actions_init(&actions); error != 0)
        return error;
    // Windows starts it without inherited handles: only the standard descriptors go along.
    int error = ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    pid_t child = 0;
    if (error == 0)
        error = ::posix_spawn(&child, Program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return error;
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return 0;
}

} // namespace

bool CreateProcessAndWait(const std::string& CommandLine)
{
    const std::optional<TProgram> program = FindProgram(CommandLine);
    if (!program)
        return false;
    std::vector<std::string> arguments = CommandLineArguments(program->arguments);
    arguments.insert(arguments.begin(), program->path);

    if (::access(program->path.c_str(), X_OK) == 0) {
        // A text without an interpreter line is no program (ENOEXEC): the shell reads it, as
        // it reads a batch file.
        const int error = RunAndWait(program->path, arguments);
        if (error != ENOEXEC)
            return error == 0;
    }
    if (!IsShellScript(program->path))
        return false;
    const std::string shell = "/bin/sh";
    arguments.insert(arguments.begin(), shell);
    return RunAndWait(shell, arguments) == 0;
}

std::vector<std::string> CommandLineArguments(std::string_view Text)
{
    std::vector<std::string> arguments;
    std::string argument;
    bool inArgument = false; // "" alone is an empty argument
    bool quoted = false;
    for (size_t i = 0; i < Text.size();) {
        const char character = Text[i];
        if (!quoted && IsBlank(character)) {
            if (inArgument)
                arguments.push_back(std::exchange(argument, {}));
            inArgument = false;
            ++i;
            continue;
        }
        inArgument = true;
        if (character == '\\') {
            const size_t first = i;
            while (i < Text.size() && Text[i] == '\\')
                ++i;
            const size_t backslashes = i - first;
            if (i < Text.size() && Text[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                    ++i;
                }
            } else {
                argument.append(backslashes, '\\');
            }
            continue;
        }
        if (character == '"') {
            if (quoted && i + 1 < Text.size() && Text[i + 1] == '"') {
                argument += '"';
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        argument += character;
        ++i;
    }
    if (inArgument)
        arguments.push_back(std::move(argument));
    return arguments;
}
