#pragma once

class QDialog;

// Runs the program's modal dialogs. The program runs each dialog with exec;
// a test installs its own runner to fill in and close a dialog without a
// modal loop, so the code around the dialog is testable headless.
class IDialogRunner {
public:
    virtual ~IDialogRunner() = default;
    // Runs the dialog modally; returns QDialog::Accepted or Rejected.
    virtual int Run(QDialog& dialog) = 0;
};

// The process-wide runner; by default it runs dialogs with exec.
IDialogRunner& DialogRunner();
void SetDialogRunner(IDialogRunner* runner);
