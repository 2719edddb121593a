#pragma once

#include "model/CValueList.h"

inline double SizeKey(const double& size) {
    return size;
}

// A counter's channel sizes in micrometres, in list order.
class CSizeList : public CValueList<double, &SizeKey> {};
