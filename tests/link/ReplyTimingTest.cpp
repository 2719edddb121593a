#include "link/ReplyTiming.h"

#include "link/CCounterLink.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const char* const kVariable = "KTRSETUP_STRICT_TIMING";

struct ValueCase {
    const char* value;
    bool strict;
};

// The switch reads as a technician would write it; anything else, an empty
// value or no variable at all leaves the reads framed, and new links take
// what the environment says.
TEST(ReplyTiming, EnvironmentSwitchesNewLinksToStrictTiming) {
    const ValueCase cases[] = {{"1", true},   {"true", true}, {"YES", true},
                               {"On", true},  {"0", false},   {"", false},
                               {"no", false}, {"2", false},   {" 1", false}};
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(IsStrictTimingValue(c.value), c.strict);
        ::setenv(kVariable, c.value, 1);
        const ReplyTiming expected = c.strict ? ReplyTiming::Strict : ReplyTiming::Framed;
        EXPECT_EQ(DefaultReplyTiming(), expected);
        EXPECT_EQ(CCounterLink(nullptr).GetReplyTiming(), expected);
    }
    ::unsetenv(kVariable);
    EXPECT_FALSE(IsStrictTimingValue(nullptr));
    EXPECT_EQ(CCounterLink(nullptr).GetReplyTiming(), ReplyTiming::Framed);
}

} // namespace
