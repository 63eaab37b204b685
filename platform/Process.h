#pragma once
// Starting the configured batch file and waiting for its end, as CreateProcessA (with the
// command line alone, no application name) followed by WaitForSingleObject with INFINITE do
// on Windows.
#include <string>
#include <string_view>
#include <vector>

// Runs CommandLine: a Windows-style path relative to the working directory (".\ibc.bat"),
// "\" separating folders, optionally followed by arguments. As on Windows, the program is the
// shortest part of the line ending before a blank (then the whole line) that names a file, so
// a path with blanks needs no quotes; what follows it is split into arguments by
// CommandLineArguments. An executable file is run itself (a "#!" interpreter line is
// honoured); any other file, and executable text without an interpreter line, is read by
// /bin/sh. The process runs in the caller's working directory and environment and inherits
// no descriptor but standard input, output and error. Waits for its end without a time
// limit; its exit status is not looked at. False, with nothing run, when no file of the line
// can be started: none exists, the one found may not be read or executed, it is a binary
// file that is no program of this system, or its interpreter is missing.
bool CreateProcessAndWait(const std::string& CommandLine);

// The arguments of Text as a Windows program's start-up code splits its command line:
// blanks (space, tab) separate arguments; double quotes group blanks into one argument and
// are dropped ("" inside quotes is one literal quote); backslashes are literal except before
// a double quote, where each pair gives one backslash and an odd one makes the quote literal.
std::vector<std::string> CommandLineArguments(std::string_view Text);
