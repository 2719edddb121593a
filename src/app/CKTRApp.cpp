#include "app/CKTRApp.h"

#include "app/AppIcons.h"
#include "app/CKTRDoc.h"
#include "app/CMainFrame.h"
#include "app/ControlIds.h"
#include "app/dialogs/CAboutDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "app/seams/CQtMessageDisplay.h"
#include "app/seams/CQtProgressIndicator.h"
#include "app/seams/CQuitSignals.h"
#include "app/seams/IMessageDisplay.h"
#include "app/view/CKTRView.h"
#include "app/widgets/CStatusProgressBar.h"
#include "res/StringTable.h"

#include <QApplication>

namespace {
CKTRApp* g_app = nullptr;
}

CKTRApp::CKTRApp() : m_display(std::make_unique<CQtMessageDisplay>()) {
    g_app = this;
    QApplication::setApplicationName(QString::fromStdString(LoadString(IDS_APP_NAME)));
    QApplication::setWindowIcon(AppIcon());
    // The program ends through Quit when the frame closes, even while a box
    // of its own is still open, not when Qt sees no window left.
    QApplication::setQuitOnLastWindowClosed(false);
    SetMessageDisplay(m_display.get());
}

// The frame goes first, then the document with its records.
CKTRApp::~CKTRApp() {
    m_signals.reset();
    SetProgressIndicator(nullptr);
    m_progress.reset();
    m_frame.reset();
    m_document.reset();
    SetMessageDisplay(nullptr);
    m_display->Shutdown();
    QApplication::setQuitOnLastWindowClosed(true);
    g_app = nullptr;
}

CKTRApp* CKTRApp::Instance() {
    return g_app;
}

bool CKTRApp::InitInstance() {
    m_document = std::make_unique<CKTRDoc>();
    m_frame = std::make_unique<CMainFrame>(*m_document);
    if (!m_frame->Create()) {
        m_frame.reset();
        ShowAppMessage(IDS_FAILED_EMPTY_DOC, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    connect(m_frame.get(), &CMainFrame::Command, this, &CKTRApp::OnCommand);
    connect(m_frame.get(), &CMainFrame::Closed, this, &CKTRApp::Quit);
    m_signals = std::make_unique<CQuitSignals>([this] { Quit(); });
    m_progress = std::make_unique<CQtProgressIndicator>(m_frame->GetStatusBar().GetProgressCtrl());
    SetProgressIndicator(m_progress.get());
    m_frame->GetView()->OnInitialUpdate();
    m_frame->show();
    return true;
}

// A box or dialog runs an event loop of its own, in which File > Exit or
// a signal may arrive; the main window closing alone would leave it open
// and the program running. Exiting the application ends every loop.
void CKTRApp::Quit() {
    if (m_frame && m_frame->GetView())
        m_frame->GetView()->StopScan();
    m_display->Shutdown();
    QCoreApplication::exit(0);
}

void CKTRApp::OnCommand(int id) {
    if (id == ID_APP_ABOUT)
        OnAppAbout();
}

void CKTRApp::OnAppAbout() {
    CAboutDlg dialog(m_frame.get());
    DialogRunner().Run(dialog);
}
