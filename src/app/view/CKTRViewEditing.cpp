// The view's editing state: the current sensor and its working copies.
#include "app/view/CKTRView.h"

#include "model/CSensor.h"

void CKTRView::LoadSensor(CSensor* sensor) {
    m_currentSensor = sensor;
    m_sizes.RemoveAll();
    m_calCurve.RemoveAll();
    if (sensor) {
        m_sizes.Copy(sensor->GetSizes());
        m_calCurve.Copy(sensor->GetCalCurve());
    }
    FillSizeList();
    FillCalList();
    m_sizesChanged = false;
    m_calsChanged = false;
}
