// ktrctl journal and ktrctl restore: the programmings recorded in the
// journal, and putting back the table one of them replaced.

#include "Commands.h"

#include "ExitCode.h"
#include "KtrctlJournal.h"
#include "SensorOutput.h"
#include "Terminal.h"
#include "link/PortText.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

// A value with every digit it has ("0.3", "1.0", "1.2345").
std::string Number(double value) {
    return Json(value).dump();
}

std::string ValuesText(JournalTable table, const JournalValues& values) {
    std::string text;
    if (table == JournalTable::Sizes) {
        for (auto pos = values.sizes.GetHeadPosition(); pos;)
            text += " " + Number(values.sizes.GetNext(pos));
    } else {
        for (auto pos = values.curve.GetHeadPosition(); pos;) {
            const CCalPoint& point = values.curve.GetNext(pos);
            text += " " + Number(point.m_size) + ":" + Number(point.m_voltage);
        }
    }
    return text.empty() ? " (none)" : text;
}

// One entry in a few lines:
//   20261207-232114-123456  2026-12-07T23:21:14Z  COM1 address 5  KTR-100  sizes  done
//     by tech on bench1 with ktrctl, /dev/ttyS0
//     before: 0.3 0.5 1.0
//     after:  0.3 0.5 1.2
std::string EntryText(const JournalEntry& entry) {
    const JournalRecord& start = entry.start;
    std::string text = start.id + "  " + start.time + "  " + PortName(start.port) + " address " +
                       std::to_string(start.address) + "  " + start.model + "  " +
                       JournalTableName(start.table) + "  " + JournalStateName(entry.state) + "\n";
    text += "  by " + start.user + " on " + start.host + " with " + start.program + ", " +
            start.device + "\n";
    if (!entry.reason.empty())
        text += "  reason: " + entry.reason + "\n";
    text += "  before:" + ValuesText(start.table, start.before) + "\n";
    text += "  after: " + ValuesText(start.table, start.after) + "\n";
    return text;
}

// The started record's fields, with the final state, the reason and the
// time the outcome was recorded.
Json EntryJson(const JournalEntry& entry) {
    Json object = Json::parse(JournalLine(entry.start));
    object["state"] = JournalStateName(entry.state);
    if (entry.state != JournalState::Started) {
        object["reason"] = entry.reason;
        object["ended"] = entry.endTime;
    }
    return object;
}

// The journal's entries, its skipped lines said on stderr; nothing when
// the file cannot be read.
std::optional<JournalContents> ReadJournal(const CJournal& journal) {
    JournalContents contents = journal.Read();
    if (!contents.error.empty()) {
        PrintError("cannot read the journal " + journal.Path() + " (" + contents.error + ")");
        return std::nullopt;
    }
    for (const JournalWarning& warning : contents.warnings)
        PrintError("warning: " + journal.Path() + " " + JournalWarningText(warning));
    return contents;
}

bool Wanted(const JournalEntry& entry, std::optional<int> port, std::optional<int> address) {
    return (!port || entry.start.port == *port) && (!address || entry.start.address == *address);
}

} // namespace

int RunJournalCommand(std::optional<int> port, std::optional<int> address, bool json) {
    const CJournal journal;
    const auto contents = ReadJournal(journal);
    if (!contents)
        return kExitRefused;
    Json list = Json::array();
    std::string text;
    size_t count = 0;
    for (const JournalEntry& entry : contents->entries) {
        if (!Wanted(entry, port, address))
            continue;
        ++count;
        if (json)
            list.push_back(EntryJson(entry));
        else
            text += EntryText(entry);
    }
    if (json)
        PrintOut(JsonText(list));
    else
        PrintOut(text + std::to_string(count) + (count == 1 ? " programming" : " programmings") +
                 " in " + journal.Path() + "\n");
    return kExitOk;
}

int RunRestoreCommand(const std::string& id, bool force, bool json) {
    const CJournal journal;
    const auto contents = ReadJournal(journal);
    if (!contents)
        return kExitRefused;
    const JournalEntry* entry = FindJournalEntry(*contents, id);
    if (!entry) {
        PrintError("no programming " + id + " in the journal " + journal.Path());
        return kExitUsage;
    }
    const JournalRecord& start = entry->start;
    TableRecord tables;
    tables.model = start.model;
    if (start.table == JournalTable::Sizes)
        tables.sizes = start.before.sizes;
    else
        tables.curve = start.before.curve;
    tables.otherModelAllowed = force;
    return ProgramTableRecord(start.port, start.address, tables, json);
}
