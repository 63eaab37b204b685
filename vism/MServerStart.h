#pragma once
// Starting the M server of one control in one namespace.
#include <memory>
#include <string>
#include <vector>

#include "vism/MServerConnection.h"
#include "vism/MServerSettings.h"

// The variables (NAME=value) a GT.M process needs to work in the namespace as the
// control's server does: GT.M, the namespace's global directory, the routine path, M
// mode and the settings file's GT.CM addresses. Locates the namespace, creating its own
// database on first use; raises EMServer with the reason when it cannot.
std::vector<std::string> NamespaceEnvironment(const TMServerSettings& Settings, const std::string& NameSpace);

// Starts GT.M on TRVSRV in the namespace. Raises EMServer with the reason when it cannot.
std::unique_ptr<TMServerConnection> StartMServer(const TMServerSettings& Settings, const std::string& NameSpace);
