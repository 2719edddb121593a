#pragma once

#include <QDialog>

// Help > About: the application icon, the program's name and version, one
// line about what it is for, and OK. OK or Escape closes it.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
