// Lines the system services leave for the setup log: a service knows the
// detail behind a failure (which file did not fit on the disk, and how much
// room it needed), while the log belongs to the application, which says
// where the lines go. Without a sink the lines are dropped.
#pragma once
#include <string>

using ServiceNoteSink = void (*)(const std::string& utf8);

// Set once at start-up, before any run begins.
void SetServiceNoteSink(ServiceNoteSink sink);
void WriteServiceNote(const std::string& utf8);
