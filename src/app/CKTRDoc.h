#pragma once

#include "model/CSensor.h"

// The program's one document: the sensors that the last scan found, in the
// order in which the view received them. It is never loaded or saved.
// Records keep their addresses while others are appended, so the tree and
// the view's current sensor can refer to them.
class CKTRDoc {
public:
    CKTRDoc() = default;
    CKTRDoc(const CKTRDoc&) = delete;
    CKTRDoc& operator=(const CKTRDoc&) = delete;
    virtual ~CKTRDoc() = default;

    CSensorList& GetSensors() { return m_sensors; }
    const CSensorList& GetSensors() const { return m_sensors; }

private:
    CSensorList m_sensors;
};
