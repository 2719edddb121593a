#include "app/dialogs/CAboutDlg.h"

#include "app/AppIcons.h"
#include "app/ControlIds.h"
#include "app/dialogs/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

namespace {

QLabel* AddText(QDialog* dialog, const QString& text, QRect rect) {
    auto* label = new QLabel(text, dialog);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect);
    return label;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("IDD_ABOUTBOX");
    setProperty(kCtrlIdProperty, IDD_ABOUTBOX);
    setWindowTitle("About KTRSetup");
    setModal(true);
    const QFont& f = font();
    setFixedSize(DluToPixels(f, 0, 0, 235, 55).size());

    auto* icon = new QLabel(this);
    icon->setObjectName("icon");
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setGeometry(DluToPixels(f, 11, 17, 20, 20));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    AddText(this, "KTRSetup Version 1.0", DluToPixels(f, 40, 10, 119, 8))->setObjectName("version");
    AddText(this, "Setup of particle counters", DluToPixels(f, 40, 25, 119, 8))
        ->setObjectName("purpose");

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("IDOK");
    ok->setGeometry(DluToPixels(f, 178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
