#pragma once

#include <QDialog>

class CTypingLimitEdit;

// Add/Edit Size: one edit for a channel size in micrometres. The caption is
// "Add Size" for a size of exactly 0 (a new one) and "Edit Size" otherwise.
// Typing is limited to three characters, the width of the counter's size
// field; a longer size read from a counter is shown in full. OK converts the
// text and closes; a text that is not a number is refused with a message and
// the dialog stays open with the text selected. Any size, zero and negative
// ones included, passes here: saving checks them against the counter's rules.
class CSizeDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTypingLimit = 3;

    explicit CSizeDlg(QWidget* parent = nullptr);

    // Presets the size (and with it the edit and the caption) before the
    // dialog runs.
    void SetSize(double size);
    // The size after OK.
    double GetSize() const { return m_size; }

    void accept() override;

private:
    void InitDialog();

    CTypingLimitEdit* m_edit;
    double m_size = 0.0;
};
