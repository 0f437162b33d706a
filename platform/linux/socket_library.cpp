#include "platform/socket_library.h"

namespace mirbo {

// POSIX sockets need no start.
bool StartSocketLibrary() { return true; }

}  // namespace mirbo
