#pragma once

#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>

class CProgressCtrl;
class QLabel;

// The status bar along the bottom of the main window. It has four layouts,
// one per activity, each dividing the bar into parts at pixel edges that
// follow from the widths of its labels:
//   Ready        one part, "Ready";
//   Scanning     "Scanning", then the progress control over the rest;
//   Programming  "Programming", the comport and device labels, then the
//                progress control over the rest;
//   Flashing     "Ready" on the left, then "Flashing", the comport and
//                device labels and a 30-pixel flash indicator packed against
//                the right end.
// Every layout resets the progress control (range, position 0, step 1), so
// progress never carries over from one activity to the next.
//
// Each part is a label of its own, so a screen reader finds the bar (role
// status bar) with one child per part that reads as the part's text; the
// indicator's label reads "Flash indicator: lit" or "Flash indicator: dark".
class CStatusProgressBar : public QWidget {
    Q_OBJECT

public:
    enum Mode { ModeReady = 0, ModeFlashing = 1, ModeProgramming = 2, ModeScanning = 3 };
    static constexpr int kMaxParts = 5;
    static constexpr int kIndicatorPartWidth = 30;

    explicit CStatusProgressBar(QWidget* parent = nullptr);

    bool ShowReady();
    bool ShowScanning();
    bool ShowProgramming(int port, int address);
    bool ShowFlashing(int port, int address);
    // Lights or darkens the indicator; false when the layout has no
    // indicator part (only Flashing has one).
    bool SetFlashIndicator(bool lit);
    CProgressCtrl& GetProgressCtrl() { return *m_progress; }
    const CProgressCtrl& GetProgressCtrl() const { return *m_progress; }

    Mode GetMode() const { return m_nMode; }
    int GetPartCount() const { return m_nParts; }
    // Right edge of a part in client pixels; -1 means the right end.
    int GetPartRight(int part) const { return m_partRight.at(part); }
    QRect GetPartRect(int part) const;
    QString GetPartText(int part) const { return m_texts.at(part); }
    bool HasIndicator() const { return !m_indicator.isNull(); }
    bool IsIndicatorLit() const { return m_indicatorLit; }

    QSize sizeHint() const override;
    // The label that shows a part (the indicator's for the last part).
    QLabel* GetPartLabel(int part) const { return m_partLabels.at(part); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int TextWidth(const QString& text) const;
    void SetParts(int count, std::array<int, kMaxParts> rights);
    void SetTexts(std::initializer_list<QString> texts);
    void CoverLastPart();
    void HideProgress();
    void Finish(Mode mode, int upper);
    void PlaceParts();

    CProgressCtrl* m_progress;
    QPixmap m_hIconOn;
    QPixmap m_hIconOff;
    Mode m_nMode = ModeReady;
    std::array<int, kMaxParts> m_partRight = {-1, 0, 0, 0, 0};
    int m_nParts = 1;
    std::array<QString, kMaxParts> m_texts;
    QPixmap m_indicator;
    bool m_indicatorLit = false;
    std::array<QLabel*, kMaxParts> m_partLabels{};
};
