#pragma once
// The daemon as a process: the listening socket it answers on, and leaving its starter behind
// when it detaches.
#include <string>

namespace quorvel::vkbd {

// Binds and listens on the socket at path unless another daemon already serves it; -1 with a
// one-line reason in error otherwise.
int Listen(const std::string& path, std::string& error);

// The next connection from a process of this user's; others are closed unanswered (the socket's
// folder keeps them out, but --socket may point anywhere). -1 when the listening socket fails.
int AcceptOwnClient(int listenFd);

// A detached daemon keeps nothing its starter had open: a pipe it held would never close.
void CloseInheritedFiles(int keep);

// Points standard input, output and error at /dev/null.
void DetachStandardStreams();

}  // namespace quorvel::vkbd
