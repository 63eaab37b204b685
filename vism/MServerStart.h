#pragma once
// Starting the M server of one control in one namespace.
#include <memory>
#include <string>

#include "vism/MServerConnection.h"
#include "vism/MServerSettings.h"

// Locates the namespace (creating its own database on first use) and starts GT.M on
// TRVSRV there. Raises EMServer with the reason when it cannot.
std::unique_ptr<TMServerConnection> StartMServer(const TMServerSettings& Settings, const std::string& NameSpace);
