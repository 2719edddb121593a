#pragma once

#include <QMainWindow>

class CKTRDoc;
class CKTRView;
class CStatusProgressBar;

// The main window: fixed at 800 by 600 pixels, minimizable but neither
// resizable nor maximizable, always captioned "KTR Setup". It holds the menu
// (File > Exit, View > Scan report..., Help > About), the main view and,
// below it, the status bar.
// Commands it does not handle itself (About) go out through Command.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(CKTRDoc& document, QWidget* parent = nullptr);

    // Creates the view and the status bar and shows "Ready"; false when the
    // status bar could not take its first layout.
    bool Create();

    CStatusProgressBar& GetStatusBar() { return *m_wndStatusBar; }
    CKTRView* GetView() { return m_view; }

signals:
    void Command(int id);
    // The window has closed (File > Exit or the close box).
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void OnCommand(int id);

    CKTRDoc& m_document;
    CKTRView* m_view = nullptr;
    CStatusProgressBar* m_wndStatusBar = nullptr;
};
