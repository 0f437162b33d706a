#include "platform/socket_library.h"

#include <csignal>

namespace mirbo {

// POSIX sockets need no start. A write to a pipe whose reader has gone (the
// log's copy on standard output, say) must fail, not end the program in the
// middle of a recovery.
bool StartSocketLibrary() { return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }

}  // namespace mirbo
