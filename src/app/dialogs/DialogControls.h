#pragma once

#include <QRect>
#include <QString>
#include <string>

class QDialog;
class QLabel;
class QLineEdit;

// Building blocks of the program's small modal dialogs, placed in dialog
// units (see DialogUnits.h) for the dialog's font.

// Gives the dialog its caption, makes it modal and fixes its size.
void SetUpDialog(QDialog& dialog, const char* name, int id, const QString& caption, int width,
                 int height);
// A plain static text.
QLabel* AddDialogText(QDialog& dialog, const QString& text, QRect dlu,
                      Qt::Alignment alignment = Qt::AlignLeft);
// A bordered edit that scrolls its text sideways as it grows; label, when
// given, becomes its buddy, so a screen reader names the edit by it.
void PlaceDialogEdit(QDialog& dialog, QLineEdit& edit, const char* name, int id, QRect dlu,
                     QLabel* label);
// The default button OK (Enter) and Cancel; Escape and the close box cancel.
// OK runs the dialog's accept(), which may refuse and keep the dialog open.
void AddOkCancel(QDialog& dialog, QRect okDlu, QRect cancelDlu);

// Refuses what the user typed into edit: shows text (string id for the
// message seam) in a warning box, then puts the focus back into the edit
// with its whole text selected.
void RefuseEdit(QLineEdit& edit, unsigned id, const std::string& text);
