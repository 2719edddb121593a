#pragma once

// Exit status of ktrctl.
enum ExitCode : int {
    kExitOk = 0,
    // The counter, the port or the validation refused.
    kExitRefused = 1,
    // The command line is wrong.
    kExitUsage = 2,
};
