#include "connection_drop.h"

#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace qmon::mock {
namespace {

int PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  }
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  }
  return -1;
}

bool HasPorts(int fd, int localPort, int remotePort) {
  sockaddr_storage local{}, peer{};
  socklen_t localSize = sizeof local, peerSize = sizeof peer;
  return getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
         getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
         PortOf(local) == localPort && PortOf(peer) == remotePort;
}

// A socket whose last descriptor goes with a zero linger time is reset. The
// descriptor is replaced by an unconnected socket, not closed (see below).
void Reset(int fd) {
  const linger abort{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  const int spare = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (spare < 0) return;
  dup3(spare, fd, O_CLOEXEC);
  close(spare);
}

}  // namespace

bool DropConnection(int localPort, int remotePort, bool reset) {
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return false;
  bool dropped = false;
  while (const dirent* entry = readdir(fds)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == dirfd(fds)) continue;
    if (HasPorts(static_cast<int>(fd), localPort, remotePort)) {
      // Never closed: the server still owns the descriptor and closes it
      // itself, so the number cannot be reused under it.
      if (reset) {
        Reset(static_cast<int>(fd));
      } else {
        shutdown(static_cast<int>(fd), SHUT_RDWR);
      }
      dropped = true;
    }
  }
  closedir(fds);
  return dropped;
}

}  // namespace qmon::mock
