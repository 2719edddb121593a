#pragma once

#include "editing/CCalPoint.h"
#include "editing/CValueList.h"

inline double CalPointKey(const CCalPoint& point) {
    return point.m_size;
}

// A counter's calibration curve: points in list order, sorted by size.
class CCalCurve : public CValueList<CCalPoint, &CalPointKey> {};
