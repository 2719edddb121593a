// The counter link on a line in memory: when it discards, when it waits for
// the line to calm down, when it asks again, when it stops at once, and
// that the reply check and the parsers read a reply the same way.

#include "link/CCounterLink.h"

#include "link/IProgressIndicator.h"
#include "model/CSensor.h"
#include "support/CMemoryLine.h"
#include "support/TableValues.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string kModel = "KTR-100\r\n";
const std::string kSizes = " 0.3 0.5 C/S 000164\r\n";
const std::string kCalibration = " 0.3 100 0.5 150 1 400 C/S 0003D0\r\n";

class LineInStepTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("KTRSETUP_SUPPORTED_MODELS", m_models.c_str(), 1);
        std::ofstream(m_models) << "KTR-100\n";
        line.SetReply('T', kModel);
        line.SetReply('P', kSizes);
        line.SetReply('K', kCalibration);
    }
    void TearDown() override {
        std::remove(m_models.c_str());
        ::unsetenv("KTRSETUP_SUPPORTED_MODELS");
    }

    static CSensor At(int address) {
        CSensor sensor;
        sensor.SetPort(1);
        sensor.SetAddress(address);
        return sensor;
    }

    std::string m_models = "/tmp/ktr-step-models-" + std::to_string(::getpid());
    CMemoryLine line;
    CNullProgress progress;
    CCounterLink link{&line, &progress};
};

// What every healthy exchange costs: one discard per address byte, and no
// waiting for quiet; an address where nobody answers costs no more.
TEST_F(LineInStepTest, HealthyExchangesAndSilentAddressesNeverWaitForQuiet) {
    CSensor sensor = At(5);
    ASSERT_TRUE(link.ReadCounter(sensor).Ok());
    EXPECT_EQ(line.Discards(), 4);
    EXPECT_EQ(line.Drains(), 0);

    line.SetPresent(false);
    CSensor absent = At(6);
    const LinkResult result = link.SelectAddress(absent);
    EXPECT_EQ(result.status, LinkStatus::NoEcho);
    EXPECT_EQ(result.step, LinkStep::Address);
    EXPECT_EQ(line.Drains(), 0);
}

struct FailedExchange {
    const char* name;
    char query;
    std::string reply;
    std::function<LinkResult(CCounterLink&, CSensor&)> run;
    LinkStatus status;
    // Waits for quiet by the time the next address byte has gone out.
    int drains;
};

// After a counter answered and then failed, the line calms down before the
// next address byte: before each further attempt, and before the next
// counter is asked.
TEST_F(LineInStepTest, FailedExchangeCalmsTheLineBeforeTheNextAddressByte) {
    const auto identify = [](CCounterLink& l, CSensor& s) { return l.Identify(s); };
    const auto sizes = [](CCounterLink& l, CSensor& s) { return l.ReadSizes(s); };
    const std::vector<FailedExchange> cases = {
        {"bad checksum", 'P', " 0.3 0.5 C/S 000165\r\n", sizes, LinkStatus::BadChecksum, 3},
        {"no marker", 'P', " 0.3 0.5 000164\r\n", sizes, LinkStatus::NoMarker, 3},
        {"no reply to T", 'T', "", identify, LinkStatus::NoReply, 1},
        {"model not supported", 'T', "XYZ-9\r\n", identify, LinkStatus::NotSupported, 0},
        {"over-long sizes", 'P', std::string(1100, ' ') + kSizes, sizes, LinkStatus::NoMarker, 3},
    };
    for (const FailedExchange& c : cases) {
        CMemoryLine faulty;
        faulty.SetReply('T', kModel);
        faulty.SetReply(c.query, c.reply);
        CCounterLink faultyLink(&faulty, &progress);
        CSensor sensor = At(4);
        EXPECT_EQ(c.run(faultyLink, sensor).status, c.status) << c.name;
        CSensor next = At(5);
        EXPECT_TRUE(faultyLink.SelectAddress(next).Ok()) << c.name;
        EXPECT_EQ(faulty.Drains(), c.drains) << c.name;
    }
}

// A probe that reads anything but its echo waits for quiet and asks once
// more; a second stray answer fails it, and the line calms down again
// before the next address byte.
TEST_F(LineInStepTest, ProbeThatReadsAStrayByteAsksOnceMore) {
    CSensor sensor = At(5);
    line.StrayBeforeAddressEchoes("\x55");
    EXPECT_TRUE(link.SelectAddress(sensor).Ok());
    EXPECT_EQ(line.Written(), "\x85\x85");
    EXPECT_EQ(line.Drains(), 1);

    line.StrayBeforeAddressEchoes("\x84", 2);
    const LinkResult twice = link.SelectAddress(sensor);
    EXPECT_EQ(twice.status, LinkStatus::WrongEcho);
    EXPECT_EQ(twice.step, LinkStep::Address);
    EXPECT_EQ(twice.received, 0x84);
    EXPECT_EQ(line.Written(), "\x85\x85\x85\x85");
    EXPECT_EQ(line.Drains(), 2);
    EXPECT_TRUE(link.SelectAddress(sensor).Ok());
    EXPECT_EQ(line.Drains(), 3);
}

// A stray byte equal to the address byte passes for its echo; the real
// echo then comes back for the command letter, and the exchange begins
// once more after the line has calmed down.
TEST_F(LineInStepTest, StrayByteTakenForTheEchoIsFoundOutAtTheCommandLetter) {
    CSensor sensor = At(5);
    line.StrayBeforeAddressEchoes("\x85");
    const LinkResult result = link.Identify(sensor);
    EXPECT_TRUE(result.Ok()) << DescribeLinkResult(result);
    EXPECT_EQ(sensor.GetModel(), "KTR-100");
    EXPECT_EQ(line.Written(), "\x85T\x85T\xBF");
    EXPECT_EQ(line.Drains(), 1);
}

struct EndingCase {
    const char* name;
    int writes; // writes that succeed before the line fails
    LineFault fault;
    std::function<LinkResult(CCounterLink&, CSensor&)> run;
    LinkStatus status;
};

// A vanished device or a stop ends the operation at the failing byte:
// no further attempt, no release byte, no waiting for quiet.
TEST_F(LineInStepTest, GoneOrStoppedLineEndsTheOperationAtOnce) {
    const auto sizes = [](CCounterLink& l, CSensor& s) { return l.ReadSizes(s); };
    const auto program = [](CCounterLink& l, CSensor& s) {
        CSizeList list;
        list.AddTail(0.3);
        return l.ProgramSizes(s, list);
    };
    const auto flash = [](CCounterLink& l, CSensor& s) { return l.SetFlash(s, true); };
    const auto identify = [](CCounterLink& l, CSensor& s) { return l.Identify(s); };
    const std::vector<EndingCase> cases = {
        {"sizes read", 2, LineFault::HungUp, sizes, LinkStatus::PortGone},
        {"sizes programming", 5, LineFault::HungUp, program, LinkStatus::PortGone},
        {"flash", 3, LineFault::Stopped, flash, LinkStatus::Stopped},
        {"identification", 0, LineFault::Stopped, identify, LinkStatus::Stopped},
    };
    for (const EndingCase& c : cases) {
        CMemoryLine ending;
        ending.FailAfterWrites(c.writes, c.fault);
        CCounterLink endingLink(&ending, &progress);
        CSensor sensor = At(4);
        const LinkResult result = c.run(endingLink, sensor);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_LE(result.attempts, 1) << c.name;
        EXPECT_EQ(ending.Written().size(), size_t(c.writes)) << c.name;
        EXPECT_EQ(ending.Written().find('\xBF'), std::string::npos) << c.name;
        EXPECT_EQ(ending.Drains(), 0) << c.name;
    }
}

struct ReplyCase {
    char query;
    std::string reply;
    LinkStatus status;
    std::vector<double> sizes; // what the list holds afterwards
    Points points;
};

// The check and the parsers read a reply the same way: a marker in lower
// case ends the data for both, any line end is one, and nothing else may
// follow the digits.
TEST_F(LineInStepTest, ReplyCheckAndParsersAgree) {
    const std::vector<double> old = {7};
    const Points oldPoints = {{1, 2}};
    const std::vector<ReplyCase> cases = {
        {'K',
         " 0.3 100 0.5 150 1 400 c/s 0003d0\r\n",
         LinkStatus::Done,
         old,
         {{0.3, 100}, {0.5, 150}, {1, 400}}},
        {'P', " 0.3 0.5 c/s 000164\r\n", LinkStatus::Done, {0.3, 0.5}, oldPoints},
        {'P', " 0.3 0.5 C/S 000164\n\r", LinkStatus::Done, {0.3, 0.5}, oldPoints},
        {'P', " 0.3 0.5 C/S 000164\r\n\r\n", LinkStatus::Done, {0.3, 0.5}, oldPoints},
        {'P', " 0.3 0.5 C/S 000164 x\r\n", LinkStatus::BadReply, old, oldPoints},
        {'P', std::string(89, '@') + " C/S 164\n\r", LinkStatus::BadChecksum, old, oldPoints},
        {'K', " 0.3 100 0.5 150 1 400 C/S 0003D1\r\n", LinkStatus::BadChecksum, old, oldPoints},
    };
    for (const ReplyCase& c : cases) {
        CMemoryLine replying;
        replying.SetReply(c.query, c.reply);
        CCounterLink replyingLink(&replying, &progress);
        CSensor sensor = At(4);
        sensor.GetSizes().AddTail(7);
        sensor.GetCalCurve().AddTail(CCalPoint(1, 2));
        const LinkResult result = c.query == 'P' ? replyingLink.ReadSizes(sensor)
                                                 : replyingLink.ReadCalibration(sensor);
        EXPECT_EQ(result.status, c.status) << c.reply;
        EXPECT_EQ(Values(sensor.GetSizes()), c.sizes) << c.reply;
        EXPECT_EQ(PointsOf(sensor.GetCalCurve()), c.points) << c.reply;
    }
}

} // namespace
