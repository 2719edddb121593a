#pragma once

// A simulated COM1 for programming tables (config for SimProcess): address
// 1 holds four sizes and points; 2 and 5 are of the same model, 3 of
// another; 4 stops echoing after 20 bytes of a selection, so a short size
// line gets through and a calibration line or a long size line does not.
extern const char* const kTableNetwork;
