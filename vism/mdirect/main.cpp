// The launcher of scripts/m-direct: GT.M on the database a control uses for the
// namespace, in the control's M mode and routine path, found and prepared by the
// control's own settings code. At a terminal it is GT.M's direct mode; lines piped in
// run through TRVLINES, which ends at the first error with status 1.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "vism/ChildProcess.h"
#include "vism/MServerError.h"
#include "vism/MServerStart.h"

namespace {

std::vector<char*> Pointers(std::vector<std::string>& Texts)
{
    std::vector<char*> pointers;
    for (std::string& text : Texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Replaces this process with GT.M; raises the reason when it cannot.
[[noreturn]] void RunMumps(const std::string& NameSpace)
{
    const TMServerSettings settings = TMServerSettings::FromEnvironment();
    // Without the server's gtm_etrap, which would take over the errors of routines called here.
    std::vector<std::string> environment = EnvironmentWith(NamespaceEnvironment(settings, NameSpace));
    const std::string mumps = (settings.GtmDist / "mumps").string();
    std::vector<std::string> arguments = {mumps};
    if (isatty(STDIN_FILENO))
        arguments.push_back("-direct");
    else
        arguments.insert(arguments.end(), {"-run", "TRVLINES"});
    execve(mumps.c_str(), Pointers(arguments).data(), Pointers(environment).data());
    throw EMServer("Cannot run " + mumps + ": " + std::strerror(errno));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: m-direct NAMESPACE\n");
        return 2;
    }
    try {
        RunMumps(argv[1]);
    } catch (const std::exception& E) {
        std::fprintf(stderr, "m-direct: %s\n", E.what());
        return 1;
    }
}
