#pragma once

#include "app/dialogs/IDialogRunner.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Answers the program's dialogs the way a user would, without a modal loop.
// Each dialog that runs takes the next scripted answer: a list of attempts,
// each giving the texts of the dialog's edits in their order. The runner
// puts an attempt's texts into the edits and presses OK; while the dialog
// refuses and stays open it tries the next attempt, and presses Cancel when
// none is left (an answer without attempts is Cancel at once; a dialog with
// no answer left is cancelled too). Installs itself for its lifetime.
class ScriptedDialogRunner : public IDialogRunner {
public:
    using Answer = std::vector<QStringList>;

    // What a dialog showed when it opened.
    struct Seen {
        QString caption;
        QStringList edits;
    };

    ScriptedDialogRunner();
    ~ScriptedDialogRunner() override;

    void Script(std::vector<Answer> answers);
    int Run(QDialog& dialog) override;

    const std::vector<Seen>& Opened() const { return m_opened; }

private:
    std::deque<Answer> m_answers;
    std::vector<Seen> m_opened;
};
