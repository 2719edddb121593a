#include "app/CKTRApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <optional>

namespace {

// The program's own options are --help and --version. Qt's options take a
// single dash and a word (-platform, -style), so words are read as long
// options: "-reverse" must not read as -r -e -v ...
void AddOptions(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        "Finds the particle counters on the serial networks behind com ports COM1 to\n"
        "COM32, shows each counter's channel sizes and calibration curve, and programs\n"
        "changed tables back into the counter.\n"
        "\n"
        "Environment:\n"
        "  KTRSETUP_PORT_DIR          com port n is $KTRSETUP_PORT_DIR/COM<n>\n"
        "                             (otherwise the built-in ports and the adapters\n"
        "                             found, numbered as ktrctl ports shows)\n"
        "  KTRSETUP_SUPPORTED_MODELS  the supported-models file\n"
        "                             (otherwise /etc/ktrsetup/supported-models)\n"
        "\n"
        "Qt's standard options, such as -platform and -style, are accepted too.\n"
        "See ktrsetup(1).");
    parser.addOption({{"h", "help"}, "Show this help and exit."});
    parser.addOption({{"v", "version"}, "Show the version and exit."});
}

// --help and --version are answered before Qt looks for a display, so they
// work on any console. Other options may be Qt's own: they are judged once
// QApplication has taken those out. Returns the exit status if done.
std::optional<int> AnswerInfoOptions(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    AddOptions(parser);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet("help")) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("ktrsetup %s\n", KTRSETUP_VERSION);
        return 0;
    }
    return std::nullopt;
}

// What QApplication left of the command line must be empty.
bool CheckRemainingArguments() {
    QCommandLineParser parser;
    AddOptions(parser);
    QString error;
    if (!parser.parse(QCoreApplication::arguments()))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QString("unexpected argument '%1'.").arg(parser.positionalArguments().first());
    if (error.isEmpty())
        return true;
    std::fprintf(stderr, "ktrsetup: %s\nTry 'ktrsetup --help'.\n", qPrintable(error));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = AnswerInfoOptions(argc, argv))
        return *status;
    QApplication application(argc, argv);
    if (!CheckRemainingArguments())
        return 2;
    CKTRApp app;
    if (!app.InitInstance())
        return 1;
    return application.exec();
}
