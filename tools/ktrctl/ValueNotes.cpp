#include "ValueNotes.h"

#include "link/Numbers.h"

#include <charconv>

namespace {

std::string PointText(const CCalPoint& point) {
    return ShortestText(point.m_size) + ":" + ShortestText(point.m_voltage);
}

} // namespace

std::string ShortestText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::vector<std::string> SizeChangeNotes(const CSizeList& given, const CSizeList& sent) {
    std::vector<std::string> notes;
    auto g = given.GetHeadPosition();
    auto s = sent.GetHeadPosition();
    while (g && s) {
        const double before = given.GetNext(g);
        const double after = sent.GetNext(s);
        if (before != after)
            notes.push_back("size " + ShortestText(before) + " went to the counter as " +
                            ShortestText(after) + " (its size field holds three characters: \"" +
                            FormatSizeField(before) + "\")");
    }
    return notes;
}

std::vector<std::string> CalibrationChangeNotes(const CCalCurve& given, const CCalCurve& sent) {
    std::vector<std::string> notes;
    auto g = given.GetHeadPosition();
    auto s = sent.GetHeadPosition();
    while (g && s) {
        const CCalPoint& before = given.GetNext(g);
        const CCalPoint& after = sent.GetNext(s);
        if (before.m_size != after.m_size || before.m_voltage != after.m_voltage)
            notes.push_back("calibration point " + PointText(before) + " went to the counter as " +
                            PointText(after) + " (three decimals at most)");
    }
    return notes;
}
