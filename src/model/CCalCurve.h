#pragma once

#include "model/CCalPoint.h"
#include "model/CValueList.h"

inline double CalPointKey(const CCalPoint& point) {
    return point.m_size;
}

// A counter's calibration curve: points in list order, sorted by size.
class CCalCurve : public CValueList<CCalPoint, &CalPointKey> {};
