// Closing a request's connection from inside its handler, without an answer.
#pragma once

namespace qmon::mock {

// Shuts down this process's socket whose local and peer ports are the given
// ones, or with `reset` aborts it (the peer gets a TCP RST); the server's
// later write of an answer then goes nowhere. cpp-httplib does not hand the
// socket to handlers, so it is found by its ports. Answers false when no such
// socket exists.
bool DropConnection(int localPort, int remotePort, bool reset = false);

}  // namespace qmon::mock
