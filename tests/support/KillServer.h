#pragma once
// Losing a control's M server in the middle of an operation, as when the process is killed
// from outside: the run after the kill finds the server gone.
#include <signal.h>

#include <memory>

#include "vism/VisM.h"

// Kills Control's running server (SIGKILL). False when none runs.
inline bool KillServer(TVisM& Control)
{
    const int pid = Control.ServerProcessId();
    return pid != 0 && kill(pid, SIGKILL) == 0;
}

// Kills Control's server right after the Runs-th good run from now on (OnExecuted).
inline void KillServerAfterRuns(TVisM& Control, int Runs)
{
    auto left = std::make_shared<int>(Runs);
    Control.OnExecuted = [&Control, left](TObject*) {
        if (--*left == 0)
            KillServer(Control);
    };
}
