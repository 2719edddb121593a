#include "model/CSensor.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

void Fill(CSensor& s, int sizes, int points, double base) {
    for (int i = 0; i < sizes; ++i)
        s.GetSizes().AddTail(base + i);
    for (int i = 0; i < points; ++i)
        s.GetCalCurve().AddTail(CCalPoint(base + i, 100 * (base + i)));
}

std::vector<double> Sizes(const CSensor& s) {
    std::vector<double> out;
    for (auto pos = s.GetSizes().GetHeadPosition(); pos;)
        out.push_back(s.GetSizes().GetNext(pos));
    return out;
}

} // namespace

TEST(CSensor, NewRecordIsEmpty) {
    CSensor s;
    EXPECT_EQ(s.GetPort(), -1);
    EXPECT_EQ(s.GetAddress(), -1);
    EXPECT_EQ(s.GetModel(), "");
    EXPECT_EQ(s.GetSizes().GetCount(), 0);
    EXPECT_EQ(s.GetCalCurve().GetCount(), 0);
}

TEST(CSensor, SetModelTrimsSpacesCrLfButKeepsTabsAndInnerBlanks) {
    CSensor s;
    s.SetModel("  \r\nKTR 100  X\r\n ");
    EXPECT_EQ(s.GetModel(), "KTR 100  X");
    s.SetModel("\tKTR-100\t\r\n");
    EXPECT_EQ(s.GetModel(), "\tKTR-100\t");
    s.SetModel(" \r\n \n");
    EXPECT_EQ(s.GetModel(), "");
}

TEST(CSensor, AssignmentIsADeepCopyThatReplacesLongerLists) {
    CSensor source;
    source.SetPort(3);
    source.SetAddress(7);
    source.SetModel("KTR-100");
    Fill(source, 3, 4, 1.0);
    CSensor target;
    Fill(target, 5, 6, 50.0);

    target = source;
    EXPECT_EQ(target.GetPort(), 3);
    EXPECT_EQ(target.GetAddress(), 7);
    EXPECT_EQ(target.GetModel(), "KTR-100");
    EXPECT_EQ(Sizes(target), std::vector<double>({1.0, 2.0, 3.0}));
    ASSERT_EQ(target.GetCalCurve().GetCount(), 4);
    auto pos = target.GetCalCurve().GetHeadPosition();
    for (int i = 0; i < 4; ++i) {
        const CCalPoint& p = target.GetCalCurve().GetNext(pos);
        EXPECT_EQ(p.m_size, 1.0 + i);
        EXPECT_EQ(p.m_voltage, 100 * (1.0 + i));
    }

    source.GetSizes().RemoveAll();
    source.SetModel("other");
    EXPECT_EQ(Sizes(target).size(), 3u);
    EXPECT_EQ(target.GetModel(), "KTR-100");
}

TEST(CSensor, PostedCopyOutlivesTheWorkingRecord) {
    CSensorList list;
    auto working = std::make_unique<CSensor>();
    working->SetModel("KTR-200");
    Fill(*working, 2, 3, 0.5);
    auto posted = std::make_unique<CSensor>(*working);
    working.reset();
    list.push_back(*posted);
    posted.reset();
    const CSensor* first = &list.front();
    for (int i = 0; i < 100; ++i)
        list.emplace_back(); // appending keeps earlier records where they are
    EXPECT_EQ(&list.front(), first);
    EXPECT_EQ(first->GetModel(), "KTR-200");
    EXPECT_EQ(first->GetSizes().GetCount(), 2);
    EXPECT_EQ(first->GetCalCurve().GetCount(), 3);
}
