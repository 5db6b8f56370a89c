#pragma once
// The helper processes the tests run (a server, a relay in front of one):
// started quietly, waited for on their loopback port, stopped for good.

#include <sys/types.h>

#include <string>
#include <vector>

// Starts File, found on the PATH, with Args (Args[0] its name), its standard
// streams on /dev/null, SIGINT, SIGTERM and SIGPIPE handled as by default
// whatever the test runner ignores; -1 when it cannot be started.
pid_t SpawnQuietly(const char* File, std::vector<std::string> Args);

// Whether something accepts connections on Port on loopback now.
bool CanConnectOnLoopback(int Port);

// Sends Pid Signal, then SIGKILL if it has not ended within a second, and
// reaps it; Pid becomes -1. Nothing when Pid is -1.
void StopChild(pid_t& Pid, int Signal);
