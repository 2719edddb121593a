#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<double> Values(const CSizeList& list) {
    std::vector<double> out;
    for (auto pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos));
    return out;
}

std::vector<std::pair<double, double>> Points(const CCalCurve& curve) {
    std::vector<std::pair<double, double>> out;
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const CCalPoint& p = curve.GetNext(pos);
        out.emplace_back(p.m_size, p.m_voltage);
    }
    return out;
}

CSizeList MakeSizes(std::initializer_list<double> values) {
    CSizeList list;
    for (double v : values)
        list.AddTail(v);
    return list;
}

} // namespace

TEST(CValueList, SortsSizesAscendingAndLeavesShortListsAlone) {
    CSizeList empty;
    empty.Sort();
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_EQ(empty.GetHeadPosition(), nullptr);

    CSizeList one = MakeSizes({4.0});
    one.Sort();
    EXPECT_EQ(Values(one), std::vector<double>({4.0}));

    CSizeList list = MakeSizes({2.0, 0.5, 1.0});
    list.Sort();
    EXPECT_EQ(Values(list), std::vector<double>({0.5, 1.0, 2.0}));

    CSizeList reversed = MakeSizes({5, 4, 3, 2, 1, -1});
    reversed.Sort();
    EXPECT_EQ(Values(reversed), std::vector<double>({-1, 1, 2, 3, 4, 5}));
}

TEST(CValueList, CurveSortIsStableAndMovesVoltageWithItsSize) {
    CCalCurve curve;
    curve.AddTail(CCalPoint(1.0, 300));
    curve.AddTail(CCalPoint(0.5, 100));
    curve.AddTail(CCalPoint(1.0, 200));
    curve.Sort();
    using P = std::pair<double, double>;
    EXPECT_EQ(Points(curve), (std::vector<P>{{0.5, 100}, {1.0, 300}, {1.0, 200}}));
}

TEST(CValueList, PositionKeepsItsPlaceAcrossSortButShowsNewValue) {
    CSizeList list;
    auto first = list.AddTail(3.0);
    auto second = list.AddTail(1.0);
    auto third = list.AddTail(2.0);
    list.Sort();
    EXPECT_EQ(list.GetHeadPosition(), first);
    EXPECT_EQ(list.GetAt(first), 1.0);
    EXPECT_EQ(list.GetAt(second), 2.0);
    EXPECT_EQ(list.GetAt(third), 3.0);
}

TEST(CValueList, RemovalKeepsOtherPositionsValid) {
    CSizeList list;
    auto a = list.AddTail(1.0);
    auto b = list.AddTail(2.0);
    auto c = list.AddTail(3.0);
    list.RemoveAt(b);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetAt(a), 1.0);
    EXPECT_EQ(list.GetAt(c), 3.0);
    auto d = list.AddTail(4.0);
    list.RemoveAt(a);
    EXPECT_EQ(list.GetHeadPosition(), c);
    list.GetAt(c) = 30.0; // edit in place through the position
    EXPECT_EQ(Values(list), std::vector<double>({30.0, 4.0}));
    list.RemoveAt(d);
    list.RemoveAt(c);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    list.AddTail(7.0); // usable again after becoming empty
    EXPECT_EQ(Values(list), std::vector<double>({7.0}));
}

TEST(CValueList, RemoveHeadReturnsTheFirstValue) {
    CSizeList list = MakeSizes({1.5, 2.5});
    EXPECT_EQ(list.RemoveHead(), 1.5);
    EXPECT_EQ(Values(list), std::vector<double>({2.5}));
}

TEST(CValueList, CopyReplacesContentsAndCopyFromEmptyEmpties) {
    CSizeList target = MakeSizes({9, 8, 7});
    CSizeList source = MakeSizes({0.3, 0.3, -2});
    target.Copy(source);
    EXPECT_EQ(Values(target), std::vector<double>({0.3, 0.3, -2}));
    source.GetAt(source.GetHeadPosition()) = 5.0;
    EXPECT_EQ(Values(target).front(), 0.3); // nothing shared

    CSizeList empty;
    target.Copy(empty);
    EXPECT_EQ(target.GetCount(), 0);
    EXPECT_EQ(target.GetHeadPosition(), nullptr);
}
