#include "app/CMainFrame.h"
#include "app/CKTRApp.h"
#include "app/CKTRDoc.h"
#include "app/ControlIds.h"
#include "app/dialogs/CAboutDlg.h"
#include "app/dialogs/CScanReportDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "app/seams/CQtMessageDisplay.h"
#include "app/seams/IMessageDisplay.h"
#include "app/widgets/CProgressCtrl.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/IProgressIndicator.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Notes the dialogs it is asked to run and closes them with a given result.
class ScriptedRunner : public IDialogRunner {
public:
    ScriptedRunner() { SetDialogRunner(this); }
    ~ScriptedRunner() override { SetDialogRunner(nullptr); }
    int Run(QDialog& dialog) override {
        titles.push_back(dialog.windowTitle());
        return QDialog::Accepted;
    }
    std::vector<QString> titles;
};

class FrameTest : public testing::Test {
protected:
    FrameTest() : frame(doc) {
        frame.Create();
        frame.show();
        QApplication::processEvents();
    }
    QAction* MenuItem(const QString& menu, const QString& item) {
        for (QAction* top : frame.menuBar()->actions())
            if (top->text() == menu && top->menu())
                for (QAction* action : top->menu()->actions())
                    if (action->text() == item)
                        return action;
        return nullptr;
    }
    CKTRDoc doc;
    CMainFrame frame;
};

TEST_F(FrameTest, FixedSizeWindowThatCanOnlyBeMinimized) {
    EXPECT_EQ(frame.size(), QSize(800, 600));
    EXPECT_EQ(frame.minimumSize(), QSize(800, 600));
    EXPECT_EQ(frame.maximumSize(), QSize(800, 600));
    Qt::WindowFlags flags = frame.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    frame.resize(1000, 700);
    EXPECT_EQ(frame.size(), QSize(800, 600));
}

TEST_F(FrameTest, CaptionStaysKtrSetup) {
    EXPECT_EQ(frame.windowTitle(), "KTR Setup");
    frame.GetStatusBar().ShowFlashing(3, 7);
    frame.setWindowModified(true);
    EXPECT_EQ(frame.windowTitle(), "KTR Setup");
}

TEST_F(FrameTest, StartsWithTheReadyLayout) {
    EXPECT_EQ(frame.GetStatusBar().GetMode(), CStatusProgressBar::ModeReady);
    EXPECT_EQ(frame.GetStatusBar().GetPartText(0), "Ready");
    EXPECT_EQ(frame.GetStatusBar().property(kCtrlIdProperty).toInt(), IDC_STATUS_BAR);
}

TEST_F(FrameTest, MenuHasExitScanReportAndAboutAndNothingElse) {
    QList<QAction*> menus = frame.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&View");
    EXPECT_EQ(menus[2]->text(), "&Help");
    for (QAction* menu : menus)
        ASSERT_EQ(menu->menu()->actions().size(), 1);
    EXPECT_EQ(MenuItem("&File", "E&xit")->data().toInt(), ID_APP_EXIT);
    EXPECT_EQ(MenuItem("&View", "&Scan report...")->data().toInt(), ID_VIEW_SCAN_REPORT);
    EXPECT_EQ(MenuItem("&Help", "&About KTRSetup...")->data().toInt(), ID_APP_ABOUT);
}

TEST_F(FrameTest, ExitClosesTheWindowWithoutAsking) {
    QSignalSpy commands(&frame, &CMainFrame::Command);
    MenuItem("&File", "E&xit")->trigger();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(FrameTest, AboutIsPassedOnAsACommand) {
    QSignalSpy commands(&frame, &CMainFrame::Command);
    MenuItem("&Help", "&About KTRSetup...")->trigger();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), ID_APP_ABOUT);
}

TEST(AboutDlgTest, ShowsIconNameVersionAndOk) {
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "About KTRSetup");
    auto* icon = dialog.findChild<QLabel*>("icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
    auto* version = dialog.findChild<QLabel*>("version");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "KTRSetup Version 1.0");
    EXPECT_EQ(version->textFormat(), Qt::PlainText);
    auto* purpose = dialog.findChild<QLabel*>("purpose");
    ASSERT_NE(purpose, nullptr);
    EXPECT_FALSE(purpose->text().isEmpty());
    auto* ok = dialog.findChild<QPushButton*>("IDOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    for (QWidget* child : dialog.findChildren<QWidget*>())
        EXPECT_TRUE(dialog.rect().contains(child->geometry())) << child->objectName().toStdString();
}

TEST(AboutDlgTest, OkAcceptsAndEscapeCloses) {
    CAboutDlg dialog;
    dialog.show();
    dialog.findChild<QPushButton*>("IDOK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(KTRAppTest, StartsUpWithItsDisplayAndProgressInstalled) {
    {
        ScriptedRunner runner; // the report of the scan that finds nothing
        CKTRApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(CKTRApp::Instance(), &app);
        EXPECT_EQ(QApplication::applicationName(), "KTRSetup");
        ASSERT_NE(app.GetMainFrame(), nullptr);
        EXPECT_TRUE(app.GetMainFrame()->isVisible());
        EXPECT_NE(dynamic_cast<CQtMessageDisplay*>(&MessageDisplay()), nullptr);
        ProgressIndicator().SetRange(0, 40);
        ProgressIndicator().SetPos(12);
        CProgressCtrl& progress = app.GetMainFrame()->GetStatusBar().GetProgressCtrl();
        EXPECT_EQ(progress.GetUpper(), 40);
        EXPECT_EQ(progress.GetPos(), 12);
        QApplication::processEvents(); // the posted Rescan
        EXPECT_EQ(runner.titles, std::vector<QString>({"Scan report"}));
    }
    EXPECT_EQ(dynamic_cast<CQtMessageDisplay*>(&MessageDisplay()), nullptr);
    EXPECT_EQ(CKTRApp::Instance(), nullptr);
}

TEST(KTRAppTest, AboutCommandRunsTheAboutDialog) {
    CKTRApp app;
    ASSERT_TRUE(app.InitInstance());
    ScriptedRunner runner;
    QAction* about = app.GetMainFrame()->menuBar()->actions().at(2)->menu()->actions().at(0);
    about->trigger();
    EXPECT_EQ(runner.titles, std::vector<QString>({"About KTRSetup"}));
}

TEST(KTRAppTest, AboutIsModalAndOkReturnsToTheWindow) {
    CKTRApp app;
    ASSERT_TRUE(app.InitInstance());
    QString seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // The start-up scan finds nothing and its report opens too.
        if (auto* report = qobject_cast<CScanReportDlg*>(QApplication::activeModalWidget()))
            report->reject();
        if (auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            seen = dialog->windowTitle();
            dialog->findChild<QPushButton*>("IDOK")->click();
        }
    });
    timer.start(10);
    app.OnAppAbout();
    EXPECT_EQ(seen, "About KTRSetup");
    EXPECT_TRUE(app.GetMainFrame()->isVisible());
}

} // namespace
