#include "vism/MServerStart.h"

#include "vism/MDatabase.h"
#include "vism/MServerError.h"

namespace fs = std::filesystem;

std::vector<std::string> NamespaceEnvironment(const TMServerSettings& Settings, const std::string& NameSpace)
{
    std::error_code error;
    if (Settings.GtmDist.empty() || !fs::is_regular_file(Settings.GtmDist / "mumps", error))
        throw EMServer("GT.M not found: install fis-gtm or set gtm_dist");
    const TMNamespaceLocation location = LocateNamespace(Settings, NameSpace);
    if (!location.OwnDatabaseDir.empty())
        EnsureNamespaceDatabase(Settings, location.OwnDatabaseDir);

    std::vector<std::string> environment = {
        "gtm_dist=" + Settings.GtmDist.string(),
        "gtmgbldir=" + location.GlobalDirectory.string(),
        "gtmroutines=" + RoutinePath(Settings),
        // Byte mode: values are 8-bit text, never UTF-8.
        "gtm_chset=M",
    };
    environment.insert(environment.end(), location.Environment.begin(), location.Environment.end());
    return environment;
}

std::unique_ptr<TMServerConnection> StartMServer(const TMServerSettings& Settings, const std::string& NameSpace)
{
    std::vector<std::string> environment = NamespaceEnvironment(Settings, NameSpace);
    // Until TRVSRV sets $ETRAP, an error must end the process, not open direct mode.
    environment.push_back("gtm_etrap=G FATAL^TRVSRV");
    TProcessSpec spec;
    spec.Program = (Settings.GtmDist / "mumps").string();
    spec.Arguments = {"-run", "TRVSRV"};
    spec.Environment = EnvironmentWith(environment);
    // Where GT.M would leave a fatal error's dump: ours, not the program's directory.
    spec.WorkingDirectory = Settings.ObjectDir.string();
    return std::make_unique<TMServerConnection>(std::move(spec));
}
