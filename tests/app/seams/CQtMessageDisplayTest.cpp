#include "app/seams/CQtMessageDisplay.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// What the box looked like when it was answered.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool callerStillWaiting = false;
};

// Answers the next message box with the given button, from a timer on the
// user-interface thread; notes the box and whether the caller still waits.
class BoxAnswerer {
public:
    BoxAnswerer(QMessageBox::StandardButton answer, std::future<MsgAnswer>* caller = nullptr)
        : m_answer(answer), m_caller(caller) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(10);
    }
    bool Answered() const { return m_answered; }
    SeenBox seen;

private:
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || m_answered)
            return;
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                m_caller && m_caller->wait_for(0s) == std::future_status::timeout};
        m_answered = true;
        if (m_answer == QMessageBox::Escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (m_answer == QMessageBox::NoButton)
            box->reject();
        else
            box->button(m_answer)->click();
    }

    QMessageBox::StandardButton m_answer;
    std::future<MsgAnswer>* m_caller;
    QTimer m_timer;
    bool m_answered = false;
};

MsgAnswer WaitOnUiThread(std::future<MsgAnswer>& answer) {
    auto deadline = std::chrono::steady_clock::now() + 20s;
    while (answer.wait_for(0s) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
    }
    return answer.get();
}

TEST(QtMessageDisplayTest, WorkerBlocksUntilTheUserAnswersOnTheUiThread) {
    CQtMessageDisplay display;
    std::future<MsgAnswer> answer = std::async(std::launch::async, [&] {
        return display.Show(61224, "Program the counter?", "KTRSetup", MsgButtons::YesNoCancel,
                            MsgIcon::Question);
    });
    BoxAnswerer answerer(QMessageBox::No, &answer);
    EXPECT_EQ(WaitOnUiThread(answer), MsgAnswer::No);
    ASSERT_TRUE(answerer.Answered());
    EXPECT_TRUE(answerer.seen.callerStillWaiting);
    EXPECT_EQ(answerer.seen.title, "KTRSetup");
    EXPECT_EQ(answerer.seen.text, "Program the counter?");
    EXPECT_EQ(answerer.seen.icon, QMessageBox::Question);
    EXPECT_EQ(answerer.seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

TEST(QtMessageDisplayTest, OnTheUiThreadTheBoxRunsAtOnce) {
    CQtMessageDisplay display;
    BoxAnswerer answerer(QMessageBox::Ok);
    MsgAnswer answer = display.Show(1006, "Port in use", "COM3", MsgButtons::Ok, MsgIcon::Warning);
    EXPECT_EQ(answer, MsgAnswer::Ok);
    EXPECT_EQ(answerer.seen.title, "COM3");
    EXPECT_EQ(answerer.seen.icon, QMessageBox::Warning);
    EXPECT_EQ(answerer.seen.buttons, QMessageBox::Ok);
}

TEST(QtMessageDisplayTest, EscapeCancelsAQuestionAndAnEmptyCaptionIsTheAppName) {
    CQtMessageDisplay display;
    BoxAnswerer answerer(QMessageBox::Escape);
    EXPECT_EQ(display.Show(0, "Sure?", "", MsgButtons::YesNoCancel, MsgIcon::Question),
              MsgAnswer::Cancel);
    EXPECT_EQ(answerer.seen.title, "KTRSetup");
}

TEST(QtMessageDisplayTest, ABoxClosedWithoutAButtonCountsAsDismissed) {
    CQtMessageDisplay display;
    BoxAnswerer answerer(QMessageBox::NoButton);
    EXPECT_EQ(display.Show(0, "Sure?", "KTRSetup", MsgButtons::YesNoCancel, MsgIcon::Question),
              MsgAnswer::Cancel);
    EXPECT_TRUE(answerer.Answered());
}

TEST(QtMessageDisplayTest, AfterShutdownWorkersAreAnsweredWithoutABox) {
    CQtMessageDisplay display;
    display.Shutdown();
    std::future<MsgAnswer> answer = std::async(std::launch::async, [&] {
        return display.Show(0, "Sure?", "KTRSetup", MsgButtons::YesNoCancel, MsgIcon::Question);
    });
    ASSERT_EQ(answer.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(answer.get(), MsgAnswer::Cancel);
}

TEST(QtMessageDisplayTest, RefusingWorkersAnswersTheirBoxesWithCancelUntilAcceptedAgain) {
    CQtMessageDisplay display;
    auto ask = [&] {
        return std::async(std::launch::async, [&] {
            return display.Show(0, "Port in use", "COM3", MsgButtons::YesNoCancel,
                                MsgIcon::Warning);
        });
    };
    std::future<MsgAnswer> open = ask();
    bool refused = false;
    QTimer refuse;
    QObject::connect(&refuse, &QTimer::timeout, [&] {
        if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) && !refused) {
            refused = true;
            display.RefuseWorkers(); // from inside the box's own loop
        }
    });
    refuse.start(10);
    EXPECT_EQ(WaitOnUiThread(open), MsgAnswer::Cancel);
    refuse.stop();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the box was closed";

    std::future<MsgAnswer> meanwhile = ask();
    ASSERT_EQ(meanwhile.wait_for(10s), std::future_status::ready) << "answered without the loop";
    EXPECT_EQ(meanwhile.get(), MsgAnswer::Cancel);

    display.AcceptWorkers();
    std::future<MsgAnswer> accepted = ask();
    BoxAnswerer answerer(QMessageBox::Yes, &accepted);
    EXPECT_EQ(WaitOnUiThread(accepted), MsgAnswer::Yes);
}

} // namespace
