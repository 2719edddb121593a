#pragma once

#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <utility>
#include <vector>

// The values of a record's tables, for comparisons in tests.
using Points = std::vector<std::pair<double, double>>;

std::vector<double> Values(const CSizeList& list);
Points PointsOf(const CCalCurve& curve);
