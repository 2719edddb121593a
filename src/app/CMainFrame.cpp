#include "app/CMainFrame.h"

#include "app/ControlIds.h"
#include "app/view/CKTRView.h"
#include "app/widgets/CStatusProgressBar.h"
#include "res/StringTable.h"

#include <QMenuBar>
#include <QVBoxLayout>

namespace {

// The window title: the first of the newline-separated fields of the
// main frame's template string.
QString WindowTitle() {
    return QString::fromStdString(LoadString(IDR_MAINFRAME)).section('\n', 0, 0);
}

} // namespace

CMainFrame::CMainFrame(CKTRDoc& document, QWidget* parent)
    : QMainWindow(parent), m_document(document) {
    setObjectName("mainFrame");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(WindowTitle());
    setFixedSize(800, 600);
    CreateMenus();
}

bool CMainFrame::Create() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_wndStatusBar = new CStatusProgressBar(client);
    m_view = new CKTRView(m_document, m_wndStatusBar, client);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_wndStatusBar);
    setCentralWidget(client);
    return m_wndStatusBar->ShowReady();
}

void CMainFrame::CreateMenus() {
    struct Item {
        const char* menu;
        const char* text;
        int id;
    };
    const Item items[] = {{"&File", "E&xit", ID_APP_EXIT},
                          {"&View", "&Scan report...", ID_VIEW_SCAN_REPORT},
                          {"&Help", "&About KTRSetup...", ID_APP_ABOUT}};
    for (const Item& item : items) {
        QMenu* menu = menuBar()->addMenu(item.menu);
        QAction* action = menu->addAction(item.text);
        action->setData(item.id);
        int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    emit Closed();
}

void CMainFrame::OnCommand(int id) {
    if (id == ID_APP_EXIT)
        close();
    else if (id == ID_VIEW_SCAN_REPORT && m_view)
        m_view->OnScanReport();
    else
        emit Command(id);
}
