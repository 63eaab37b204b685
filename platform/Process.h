#pragma once
// Starting the configured batch file and waiting for its end, as CreateProcessA followed by
// WaitForSingleObject with INFINITE do on Windows.
#include <string>

// Runs CommandLine, a Windows-style path relative to the working directory (".\ibc.bat"), as
// a shell script: /bin/sh with the path ("\" turned into "/"), in the caller's working
// directory and environment. Waits for its end without a time limit; its exit status is not
// looked at. False, with nothing run, when no regular file has that path or no process could
// be started.
bool CreateProcessAndWait(const std::string& CommandLine);
