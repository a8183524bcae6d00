#pragma once
// The places where this user's running programs meet: the single-instance socket and the
// virtual keyboard's socket, with their lock files. Another user must be able neither to take
// a name first nor to talk through one, so each lives in a folder only this user can enter and
// both ends check who is on the other side.
#include <string>

namespace quorvel {

// $XDG_RUNTIME_DIR when it is a folder of this user's that nobody else can enter; otherwise
// "run-<host name>" under the user's cache folder ($XDG_CACHE_HOME/quorvel, else
// ~/.cache/quorvel), created with mode 0700. Never a shared folder such as /tmp, where any user
// could create the name first. Empty with a one-line reason in error when there is none.
std::string PrivateRuntimeFolder(std::string* error = nullptr);

// Opens the lock file at path (created 0600 when missing) and takes its exclusive lock, waiting
// for it when wait is set. A symbolic link or a file of another user is refused. The lock goes
// with the descriptor, also when the process dies. -1 with errno set when it is not taken.
int TakeLockFile(const std::string& path, bool wait);

// A socket left at path by a process that has gone is removed. Anything else at path is
// somebody's file and stays: false with a one-line reason in error.
bool RemoveStaleSocket(const std::string& path, std::string* error);

// True when the process at the other end of the connected Unix socket runs as this user.
bool PeerIsThisUser(int fd);

}  // namespace quorvel
