#include "model/CSensor.h"

CSensor& CSensor::operator=(const CSensor& other) {
    if (this == &other)
        return *this;
    m_port = other.m_port;
    m_address = other.m_address;
    m_model = other.m_model;
    m_sizes.Copy(other.m_sizes);
    m_calCurve.Copy(other.m_calCurve);
    return *this;
}

void CSensor::SetModel(const std::string& model) {
    static const char* const kTrimmed = " \r\n";
    const auto first = model.find_first_not_of(kTrimmed);
    if (first == std::string::npos) {
        m_model.clear();
        return;
    }
    const auto last = model.find_last_not_of(kTrimmed);
    m_model = model.substr(first, last - first + 1);
}
