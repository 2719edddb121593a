#pragma once

#include "discovery/ScanEvent.h"

// Receives what scan threads report. Post is called from the scan threads,
// so an implementation must be thread-safe and must not block for long.
class IScanSink {
public:
    virtual ~IScanSink() = default;
    virtual void Post(ScanEvent event) = 0;
};
