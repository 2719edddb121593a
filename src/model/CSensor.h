#pragma once

#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <list>
#include <string>

// One counter found by a scan: where it sits (com port and network
// address), what it is (model text) and what it holds (channel sizes and
// calibration curve). Assignment is a deep copy.
class CSensor {
public:
    CSensor() = default;
    CSensor(const CSensor& other) { *this = other; }
    CSensor& operator=(const CSensor& other);
    virtual ~CSensor() = default;

    int GetPort() const { return m_port; }
    void SetPort(int port) { m_port = port; }
    int GetAddress() const { return m_address; }
    void SetAddress(int address) { m_address = address; }
    std::string GetModel() const { return m_model; }
    // Keeps the text without spaces, CRs and LFs at either end; tabs and
    // everything inside the text stay.
    void SetModel(const std::string& model);

    CSizeList& GetSizes() { return m_sizes; }
    const CSizeList& GetSizes() const { return m_sizes; }
    CCalCurve& GetCalCurve() { return m_calCurve; }
    const CCalCurve& GetCalCurve() const { return m_calCurve; }

private:
    int m_port = -1;
    int m_address = -1;
    std::string m_model;
    CSizeList m_sizes;
    CCalCurve m_calCurve;
};

// The document's sensors: records keep their addresses while others are
// appended, so the tree and the current selection can refer to them.
using CSensorList = std::list<CSensor>;
