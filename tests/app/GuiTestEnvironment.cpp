// One QApplication for the whole GUI test program, created before the first
// test and destroyed after the last. Runs offscreen unless told otherwise.
// Com ports are looked for in an empty folder unless a test points
// elsewhere, so no test ever opens the machine's own serial ports, and
// programmings are journalled in a file of that folder, never in the user's
// own journal.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class GuiTestEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_noPorts = std::make_unique<QTemporaryDir>();
        qputenv("KTRSETUP_PORT_DIR", m_noPorts->path().toLocal8Bit());
        qputenv("KTRSETUP_SUPPORTED_MODELS", (m_noPorts->path() + "/none").toLocal8Bit());
        qputenv("KTRSETUP_JOURNAL", (m_noPorts->path() + "/journal.jsonl").toLocal8Bit());
        if (!QApplication::instance())
            m_app = new QApplication(m_argc, m_argv);
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
        m_noPorts.reset();
    }

private:
    int m_argc = 1;
    char m_name[16] = "ktr_gui_tests";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_app = nullptr;
    std::unique_ptr<QTemporaryDir> m_noPorts;
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new GuiTestEnvironment);

} // namespace
