#include "support/TableValues.h"

std::vector<double> Values(const CSizeList& list) {
    std::vector<double> values;
    for (auto pos = list.GetHeadPosition(); pos;)
        values.push_back(list.GetNext(pos));
    return values;
}

Points PointsOf(const CCalCurve& curve) {
    Points points;
    for (auto pos = curve.GetHeadPosition(); pos;) {
        const CCalPoint& p = curve.GetNext(pos);
        points.emplace_back(p.m_size, p.m_voltage);
    }
    return points;
}
