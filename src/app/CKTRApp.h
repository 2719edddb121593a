#pragma once

#include <QObject>
#include <memory>

class CAboutDlg;
class CKTRDoc;
class CMainFrame;
class CQtMessageDisplay;
class CQtProgressIndicator;
class CQuitSignals;

// The application: brings up the document, the main frame with its view
// and status bar, installs the program's message display and progress
// indicator, and handles the About command. Create it once, after the
// QApplication; it undoes its installations when it ends.
class CKTRApp : public QObject {
    Q_OBJECT

public:
    CKTRApp();
    ~CKTRApp() override;

    // Start-up: document, frame, view, status bar, the view's first update,
    // then the window is shown. False, after telling the user, when the
    // window could not be created; the program should then end.
    bool InitInstance();
    void OnAppAbout();
    // Ends the program, as every way out does (File > Exit, the close box,
    // SIGTERM, SIGINT, SIGHUP): the scan threads are told to stop, every box
    // and dialog still open is answered as dismissed, and the event loops
    // end, so exec returns 0 at once. The flash-off and the release of
    // the ports follow when the frame goes.
    void Quit();

    CKTRDoc* GetDocument() { return m_document.get(); }
    CMainFrame* GetMainFrame() { return m_frame.get(); }
    // The running application, or null.
    static CKTRApp* Instance();

private:
    void OnCommand(int id);

    std::unique_ptr<CQtMessageDisplay> m_display;
    std::unique_ptr<CKTRDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CQtProgressIndicator> m_progress;
    std::unique_ptr<CQuitSignals> m_signals;
};
