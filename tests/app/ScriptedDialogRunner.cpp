#include "app/ScriptedDialogRunner.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

ScriptedDialogRunner::ScriptedDialogRunner() {
    SetDialogRunner(this);
}

ScriptedDialogRunner::~ScriptedDialogRunner() {
    SetDialogRunner(nullptr);
}

void ScriptedDialogRunner::Script(std::vector<Answer> answers) {
    m_answers.assign(answers.begin(), answers.end());
}

int ScriptedDialogRunner::Run(QDialog& dialog) {
    const QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
    Seen seen{dialog.windowTitle(), {}};
    for (QLineEdit* edit : edits)
        seen.edits << edit->text();
    m_opened.push_back(seen);

    Answer answer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    bool closed = false;
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&closed] { closed = true; });
    dialog.show();
    QApplication::processEvents();
    for (const QStringList& attempt : answer) {
        for (int i = 0; i < attempt.size() && i < edits.size(); ++i)
            edits[i]->setText(attempt[i]);
        dialog.findChild<QPushButton*>("IDOK")->click();
        if (closed)
            break;
    }
    if (!closed)
        dialog.reject();
    return dialog.result();
}
