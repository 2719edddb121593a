// The view's side of the programming journal: File > "Programming
// journal..." and putting an entry's earlier table back into its counter.
#include "app/view/CKTRView.h"

#include "app/CKTRDoc.h"
#include "app/dialogs/CJournalDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "app/seams/IMessageDisplay.h"
#include "app/view/CSelection.h"
#include "app/view/CTableSaver.h"
#include "model/CSensor.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cstdio>

namespace {

bool SameModel(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

void Tell(unsigned id, const JournalRecord& start, const std::string& model = "") {
    char text[2048];
    std::snprintf(text, sizeof text, LoadString(id).c_str(), start.port, start.address,
                  model.c_str(), start.model.c_str());
    MessageDisplay().Show(id, text, LoadString(IDS_APP_NAME), MsgButtons::Ok, MsgIcon::Warning);
}

} // namespace

void CKTRView::OnJournal() {
    CJournalDlg dialog(*m_journal, [this](const JournalEntry& entry) { return Restore(entry); },
                       this);
    DialogRunner().Run(dialog);
}

// The entry's counter must be one the last scan found, of the entry's
// model. A selected counter's list shows the table put back, unless it
// holds edits of its own, which are kept.
bool CKTRView::Restore(const JournalEntry& entry) {
    const JournalRecord& start = entry.start;
    auto& sensors = m_document.GetSensors();
    const auto it = std::find_if(sensors.begin(), sensors.end(), [&](const CSensor& sensor) {
        return sensor.GetPort() == start.port && sensor.GetAddress() == start.address;
    });
    if (it == sensors.end()) {
        Tell(IDS_RESTORE_NOT_FOUND, start);
        return false;
    }
    if (!SameModel(it->GetModel(), start.model)) {
        Tell(IDS_RESTORE_OTHER_MODEL, start, it->GetModel());
        return false;
    }
    const bool current = m_selection->Current() == &*it;
    if (start.table == JournalTable::Sizes) {
        if (!m_saver->Put(*it, start.before.sizes))
            return false;
        if (current && !m_sizes->IsChanged())
            m_sizes->Load(&it->GetSizes());
    } else {
        if (!m_saver->Put(*it, start.before.curve))
            return false;
        if (current && !m_cals->IsChanged())
            m_cals->Load(&it->GetCalCurve());
    }
    return true;
}
