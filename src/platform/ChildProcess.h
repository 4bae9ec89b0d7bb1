// A helper program that talks to us over two stream sockets on its descriptors 3 (it reads) and
// 4 (it writes), as browsers with a debugging pipe expect, and dies with the thread that started
// it. Sockets rather than pipes, so a blocked read or write can be woken by shutdown and a write
// to a dead peer fails instead of raising SIGPIPE.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct ChildProcess {
  int pid = -1;           // -1 when nothing was started
  int toChild = -1;       // our end of its descriptor 3
  int fromChild = -1;     // our end of its descriptor 4
};

// Starts the program (a path, no PATH search, no shell) in a process group of its own, with
// stdin, stdout and stderr on /dev/null, and our environment with the extra "NAME=value" entries
// in front. The kernel kills it when the calling thread ends, so it must be called from a thread
// that lives as long as the child should.
ChildProcess startChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment);

// Asks the child's group to end (SIGTERM), waits up to graceMs, then kills the group and reaps
// the child. The sockets stay open: whoever reads them closes them.
void endChild(ChildProcess& child, unsigned graceMs);

// Whether a file exists there that this user may run.
bool isExecutable(const std::string& path);
bool runningAsRoot();

// A connected pair of stream sockets, for talking to a stand-in in the same process.
bool socketPair(int& first, int& second);
// Reads what is there, blocking until something is: > 0 bytes, 0 at the end, < 0 on error.
long streamRead(int fd, char* buffer, unsigned long size);
// Writes all of it, blocking; false once the peer is gone or the stream was shut down.
bool streamWrite(int fd, const char* data, unsigned long size);
// Wakes every read and write blocked on the stream; they fail from then on.
void streamShutdown(int fd);
void streamClose(int fd);

// A fresh folder under the system's temporary folder, only this user may enter; "" on failure.
std::string makePrivateTempDir(const std::string& prefix);

}  // namespace platform
