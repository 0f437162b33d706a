#pragma once

namespace mirbo {

// Makes sockets usable for the rest of the program's run, where the OS asks
// for that first. False when they cannot be used.
bool StartSocketLibrary();

}  // namespace mirbo
