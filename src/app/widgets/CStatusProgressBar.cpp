#include "app/widgets/CStatusProgressBar.h"

#include "app/AppIcons.h"
#include "app/ControlIds.h"
#include "app/widgets/CProgressCtrl.h"
#include "res/StringTable.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <qdrawutil.h>

namespace {

QString Text(unsigned id) {
    return QString::fromStdString(LoadString(id));
}

QString Label(unsigned id, int value) {
    return Text(id).replace("%d", QString::number(value));
}

const QString kReady = QStringLiteral("Ready");

// Screen readers learn from the role that this is the window's status bar.
QAccessibleInterface* StatusBarAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("CStatusProgressBar") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
    return nullptr;
}

void InstallAccessibleRole() {
    static const bool installed = [] {
        QAccessible::installFactory(StatusBarAccessible);
        return true;
    }();
    (void)installed;
}

QString IndicatorName(bool lit) {
    return lit ? QStringLiteral("Flash indicator: lit") : QStringLiteral("Flash indicator: dark");
}

} // namespace

CStatusProgressBar::CStatusProgressBar(QWidget* parent)
    : QWidget(parent), m_progress(new CProgressCtrl(this)), m_hIconOn(LedPixmap(true)),
      m_hIconOff(LedPixmap(false)) {
    setObjectName("IDC_STATUS_BAR");
    setProperty(kCtrlIdProperty, IDC_STATUS_BAR);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_progress->setObjectName("IDC_PROGRESS");
    m_progress->setProperty(kCtrlIdProperty, IDC_PROGRESS);
    m_progress->setGeometry(0, 0, 0, 0);
    m_progress->hide();
    InstallAccessibleRole();
    for (int part = 0; part < kMaxParts; ++part) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("part%1").arg(part));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(part == kMaxParts - 1 ? Qt::AlignCenter
                                                  : Qt::AlignLeft | Qt::AlignVCenter);
        label->hide();
        m_partLabels.at(part) = label;
    }
    m_progress->raise();
}

QSize CStatusProgressBar::sizeHint() const {
    return {200, fontMetrics().height() + 8};
}

int CStatusProgressBar::TextWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text);
}

QRect CStatusProgressBar::GetPartRect(int part) const {
    if (part < 0 || part >= m_nParts)
        return {};
    int left = part == 0 ? 0 : m_partRight.at(part - 1);
    int right = m_partRight.at(part) == -1 ? width() : m_partRight.at(part);
    return QRect(left, 2, right - left, height() - 2);
}

bool CStatusProgressBar::ShowReady() {
    SetParts(1, {-1, 0, 0, 0, 0});
    SetTexts({kReady});
    HideProgress();
    Finish(ModeReady, 100);
    return true;
}

bool CStatusProgressBar::ShowScanning() {
    QString scanning = Text(IDS_SCANNING);
    SetParts(2, {TextWidth(scanning), -1, 0, 0, 0});
    SetTexts({scanning});
    CoverLastPart();
    Finish(ModeScanning, 0);
    return true;
}

bool CStatusProgressBar::ShowProgramming(int port, int address) {
    QString programming = Text(IDS_PROGRAMMING);
    QString comport = Label(IDS_COMPORT_LABEL, port);
    QString device = Label(IDS_DEVICE_LABEL, address);
    int wP = TextWidth(programming);
    int wC = TextWidth(comport);
    int wD = TextWidth(device);
    SetParts(4, {wP, wP + wC, wP + wC + wD, -1, 0});
    SetTexts({programming, comport, device});
    CoverLastPart();
    Finish(ModeProgramming, 100);
    return true;
}

bool CStatusProgressBar::ShowFlashing(int port, int address) {
    QString flashing = Text(IDS_FLASHING);
    QString comport = Label(IDS_COMPORT_LABEL, port);
    QString device = Label(IDS_DEVICE_LABEL, address);
    int x = width();
    int deviceLeft = x - kIndicatorPartWidth - TextWidth(device);
    int comportLeft = deviceLeft - TextWidth(comport);
    int flashingLeft = comportLeft - TextWidth(flashing);
    SetParts(5, {flashingLeft, comportLeft, deviceLeft, x - kIndicatorPartWidth, x});
    SetTexts({kReady, flashing, comport, device});
    HideProgress();
    Finish(ModeFlashing, 100);
    SetFlashIndicator(false);
    return true;
}

bool CStatusProgressBar::SetFlashIndicator(bool lit) {
    if (m_nParts < kMaxParts)
        return false;
    m_indicator = lit ? m_hIconOn : m_hIconOff;
    m_indicatorLit = lit;
    QLabel* label = m_partLabels.back();
    label->setPixmap(m_indicator);
    label->setAccessibleName(IndicatorName(lit));
    return true;
}

void CStatusProgressBar::SetParts(int count, std::array<int, kMaxParts> rights) {
    m_nParts = count;
    m_partRight = rights;
    m_texts.fill(QString());
    m_indicator = QPixmap();
    m_indicatorLit = false;
}

void CStatusProgressBar::SetTexts(std::initializer_list<QString> texts) {
    std::copy(texts.begin(), texts.end(), m_texts.begin());
}

void CStatusProgressBar::CoverLastPart() {
    m_progress->setGeometry(GetPartRect(m_nParts - 1));
    m_progress->show();
}

void CStatusProgressBar::HideProgress() {
    m_progress->hide();
    m_progress->setGeometry(0, 0, 0, 0);
}

void CStatusProgressBar::Finish(Mode mode, int upper) {
    m_nMode = mode;
    m_progress->SetRange(0, upper);
    m_progress->SetPos(0);
    m_progress->SetStep(1);
    PlaceParts();
    update();
}

// One label per part in use, its text starting just inside the part's
// sunken edge. A part under the progress control shows no label.
void CStatusProgressBar::PlaceParts() {
    const bool progressShown = !m_progress->isHidden();
    for (int part = 0; part < kMaxParts; ++part) {
        QLabel* label = m_partLabels.at(part);
        const bool underProgress = progressShown && part == m_nParts - 1;
        if (part >= m_nParts || underProgress) {
            label->hide();
            continue;
        }
        label->setGeometry(GetPartRect(part).translated(1, 0));
        if (part == kMaxParts - 1) {
            label->setPixmap(m_indicator);
            label->setAccessibleName(IndicatorName(m_indicatorLit));
        } else {
            label->setText(m_texts.at(part));
        }
        label->show();
    }
}

void CStatusProgressBar::resizeEvent(QResizeEvent*) {
    if (m_progress->isVisible())
        m_progress->setGeometry(GetPartRect(m_nParts - 1));
    PlaceParts();
}

void CStatusProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int part = 0; part < m_nParts; ++part)
        qDrawShadePanel(&painter, GetPartRect(part), palette(), true, 1);
}
