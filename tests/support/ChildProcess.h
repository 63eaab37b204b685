#pragma once
// Parts of a test that run in a child process: limits and identities that must not touch
// the test process itself (a file size limit, an unprivileged user).
#include <functional>
#include <string>
#include <sys/types.h>

// Runs Body in a forked child and gives back what it returns: the empty text for success,
// else what went wrong. A child that ends without returning is described instead. Body must
// not use the test framework's assertions (they would not reach the test).
std::string RunInChild(const std::function<std::string()>& Body);

// For a child of a test running as root: becomes the unprivileged user "nobody" (no
// supplementary groups), so the system's permission checks apply to it. Does nothing for
// a test that runs unprivileged. The empty text when done, else why it failed.
std::string RunUnprivileged();

// For a child of a test running as root: becomes user User, whose own group has the same
// number, with Group as its one supplementary group. The empty text when done, else why
// it failed.
std::string RunAsGroupMember(uid_t User, gid_t Group);

// Whether the test runs as root (file modes do not stop root).
bool RunningAsRoot();
