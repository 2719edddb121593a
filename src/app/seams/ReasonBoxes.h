#pragma once

#include "link/LinkResult.h"
#include "link/PortOpenError.h"

#include <string>
#include <vector>

// The desktop program's one place that turns the core's reasons into
// message boxes, through the message display.

// The warning for a port that did not open: in use (1006), shared IRQ
// (1005) or no permission (1008), captioned "Unable to open serial port n".
// The in-use warning adds a line naming the port, its device and, where the
// system can tell, the program that holds it.
// Returns false, showing nothing, for a failure that has no box.
bool ShowOpenFailure(int port, PortOpenFailure failure);

// What went wrong while looking for the com ports (a damaged ports file, a
// number that could not be remembered), in one warning with the program's
// name as caption; nothing when all went well.
void ShowPortWarnings(const std::vector<std::string>& warnings);

// The messages of a table the rules refused, in order, each with the
// program's name as caption. Returns false, showing nothing, for any other
// result.
bool ShowRefusal(const LinkResult& result);
