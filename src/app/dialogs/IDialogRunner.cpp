#include "app/dialogs/IDialogRunner.h"

#include <QDialog>

namespace {

class CExecDialogRunner : public IDialogRunner {
public:
    int Run(QDialog& dialog) override { return dialog.exec(); }
};

CExecDialogRunner g_execRunner;
IDialogRunner* g_runner = nullptr;

} // namespace

IDialogRunner& DialogRunner() {
    return g_runner ? *g_runner : g_execRunner;
}

void SetDialogRunner(IDialogRunner* runner) {
    g_runner = runner;
}
