// Windows port names and the words for the system's error codes.

#include "link/PortNaming.h"
#include "link/PortOpenError.h"
#include "res/StringTable.h" // before <windows.h>, whose LoadString macro would rename ours

#include <gtest/gtest.h>

#include <windows.h>

// The \\.\ form for every port: the bare name would not open COM10 and up.
TEST(WinPortNaming, EveryPortUsesTheDevicePrefix) {
    for (int port : {1, 9, 10, 12, 32})
        EXPECT_EQ(PortDevicePath(port), "\\\\.\\COM" + std::to_string(port));
}

TEST(WinPortOpenError, SystemCodesMapToTheUsersReasons) {
    struct Case {
        DWORD code;
        PortOpenFailure open;   // when CreateFileW fails with it
        PortOpenFailure setup;  // when a line setting fails with it
        unsigned message;       // the box an open failure shows (0: none)
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, PortOpenFailure::NoSuchPort, PortOpenFailure::NoSuchPort, 0},
        {ERROR_PATH_NOT_FOUND, PortOpenFailure::NoSuchPort, PortOpenFailure::NoSuchPort, 0},
        {ERROR_ACCESS_DENIED, PortOpenFailure::InUse, PortOpenFailure::InUse, IDS_PORT_IN_USE},
        {ERROR_SHARING_VIOLATION, PortOpenFailure::InUse, PortOpenFailure::InUse, IDS_PORT_IN_USE},
        {ERROR_BUSY, PortOpenFailure::InUse, PortOpenFailure::InUse, IDS_PORT_IN_USE},
        {ERROR_IRQ_BUSY, PortOpenFailure::IrqBusy, PortOpenFailure::IrqBusy, IDS_PORT_IRQ_BUSY},
        {ERROR_INVALID_FUNCTION, PortOpenFailure::Other, PortOpenFailure::NoSuchPort, 0},
        {ERROR_DEVICE_REMOVED, PortOpenFailure::Other, PortOpenFailure::HungUp, 0},
        {ERROR_GEN_FAILURE, PortOpenFailure::Other, PortOpenFailure::HungUp, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyPortOpenError(int(c.code)), c.open) << c.code;
        EXPECT_EQ(ClassifySetupError(int(c.code)), c.setup) << c.code;
        EXPECT_EQ(PortOpenMessageId(c.open), c.message) << c.code;
    }
}

// The system's own words, as one line: no line end, no final full stop.
TEST(WinPortOpenError, OtherFailuresNameTheSystemsText) {
    for (DWORD code : {DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_GEN_FAILURE), DWORD(ERROR_SEM_TIMEOUT)}) {
        const std::string text = SystemErrorText(int(code));
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        EXPECT_NE(text.back(), '.') << text;
        EXPECT_EQ(DescribePortOpenFailure(PortOpenFailure::Other, int(code)),
                  "could not be opened (" + text + ")");
    }
}
