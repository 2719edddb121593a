#pragma once

#include "link/ComPortMap.h"

#include <filesystem>
#include <vector>

// The serial devices of the machine whose device tree starts at root ("/"
// on a running system; a folder laid out the same way in tests):
// - each built-in UART ttyS<k> that has hardware behind it, that is whose
//   <root>/sys/class/tty/ttyS<k>/type holds a UART type other than 0; its
//   device is <root>/dev/ttyS<k>;
// - each adapter linked in <root>/dev/serial/by-id/, its stable name the
//   link's name, its device where the link leads. Links that lead nowhere
//   (an adapter just pulled out) are left out; other link folders, such as
//   by-path, name the same devices again and are not read.
// UARTs come first by number, then adapters by stable name.
std::vector<FoundDevice> FindSerialDevices(const std::filesystem::path& root);
