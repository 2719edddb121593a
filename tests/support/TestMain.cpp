#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
    // A test that writes to a pseudo-terminal whose other side has gone
    // must see EIO or EPIPE, not die of SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
