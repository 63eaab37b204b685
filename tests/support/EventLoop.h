#pragma once
// Runs the Qt event loop of the calling (user-interface) thread until a condition holds,
// for at most Timeout, so a test that waits for queued work can never hang.
#include <chrono>
#include <functional>

bool ProcessEventsUntil(const std::function<bool()>& Done,
                        std::chrono::milliseconds Timeout = std::chrono::seconds(3));
// Runs the event loop for Duration.
void ProcessEventsFor(std::chrono::milliseconds Duration);
