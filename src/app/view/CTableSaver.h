#pragma once

#include "link/LinkResult.h"
#include "link/PortOpenError.h"

class CSelection;
class CSensor;
class CStatusProgressBar;
template <typename List> class CTableEditor;

// Programs the view's tables into the counters: "Save Sizes to counter" and
// "Save Points to counter". A save runs on the user-interface thread and
// blocks it for the whole transfer; the status bar shows the Programming
// layout meanwhile, its progress bar painted at every byte, and the flash
// timer rests until the save and its messages are over.
class CTableSaver {
public:
    // bar: the status bar to drive; null when there is none.
    CTableSaver(CSelection& selection, CStatusProgressBar* bar)
        : m_selection(selection), m_bar(bar) {}

    // Programs the editor's working copy into the sensor's counter. When
    // the counter took it, the working copy becomes the table as sent
    // (sorted, each value as the counter holds it) with its changed flag
    // clear; otherwise it keeps the edits, sorted, and the flag. The list is
    // refilled in every case. True only when the counter took the table.
    template <typename List> bool Save(CSensor& sensor, CTableEditor<List>& editor);

private:
    template <typename List> bool Program(CSensor& sensor, List& table);
    template <typename List>
    LinkResult Transfer(CSensor& sensor, List& table, PortOpenFailure& openFailure);

    CSelection& m_selection;
    CStatusProgressBar* m_bar;
};
