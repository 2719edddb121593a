#pragma once

#include <string>

// The device of com port n (1..32): $KTRSETUP_PORT_DIR/COM<n> when that
// variable is set, otherwise /dev/ttyS<n-1>.
std::string PortDevicePath(int port);
