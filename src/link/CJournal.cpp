#include "link/CJournal.h"

#include "link/JournalFile.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>

namespace {

using Microseconds = std::chrono::sys_time<std::chrono::microseconds>;

std::string Digits(long long value, int width) {
    std::string text = std::to_string(value);
    return std::string(text.size() < size_t(width) ? size_t(width) - text.size() : 0, '0') + text;
}

struct Instant {
    std::chrono::year_month_day date;
    std::chrono::hh_mm_ss<std::chrono::microseconds> clock;
};

Instant Split(Microseconds when) {
    const auto day = std::chrono::floor<std::chrono::days>(when);
    return {std::chrono::year_month_day(day), std::chrono::hh_mm_ss(when - day)};
}

std::string DateDigits(const Instant& at) {
    return Digits(int(at.date.year()), 4) + Digits(unsigned(at.date.month()), 2) +
           Digits(unsigned(at.date.day()), 2);
}

// Ids are the instant to the microsecond, "20261207-232114-123456": fixed
// width, so that they sort as text in the order they were given.
std::string FormatId(Microseconds when) {
    const Instant at = Split(when);
    return DateDigits(at) + "-" + Digits(at.clock.hours().count(), 2) +
           Digits(at.clock.minutes().count(), 2) + Digits(at.clock.seconds().count(), 2) + "-" +
           Digits(at.clock.subseconds().count(), 6);
}

// "2026-12-07T23:21:14Z".
std::string FormatTime(Microseconds when) {
    const Instant at = Split(when);
    const std::string date = DateDigits(at);
    return date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6, 2) + "T" +
           Digits(at.clock.hours().count(), 2) + ":" + Digits(at.clock.minutes().count(), 2) +
           ":" + Digits(at.clock.seconds().count(), 2) + "Z";
}

// The instant of an id of ours; nothing for any other text.
std::optional<Microseconds> ParseId(const std::string& id) {
    if (id.size() != 22 || id[8] != '-' || id[15] != '-')
        return std::nullopt;
    for (size_t i = 0; i < id.size(); ++i)
        if (i != 8 && i != 15 && (id[i] < '0' || id[i] > '9'))
            return std::nullopt;
    const auto number = [&](size_t at, size_t length) { return std::stoi(id.substr(at, length)); };
    const std::chrono::year_month_day date{std::chrono::year(number(0, 4)),
                                           std::chrono::month(unsigned(number(4, 2))),
                                           std::chrono::day(unsigned(number(6, 2)))};
    if (!date.ok())
        return std::nullopt;
    return std::chrono::sys_days(date) + std::chrono::hours(number(9, 2)) +
           std::chrono::minutes(number(11, 2)) + std::chrono::seconds(number(13, 2)) +
           std::chrono::microseconds(number(16, 6));
}

Microseconds Now() {
    return std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now());
}

// The instant for a new id: now, or just after the latest id in the
// file's tail when the clock stands at or behind it.
Microseconds NextInstant(const std::string& tail) {
    Microseconds next = Now();
    std::istringstream lines(tail);
    std::string why;
    for (std::string line; std::getline(lines, line);) {
        const auto record = ParseJournalLine(line, why);
        const auto last = record ? ParseId(record->id) : std::nullopt;
        if (last && *last >= next)
            next = *last + std::chrono::microseconds(1);
    }
    return next;
}

// Adds one record to the entries by id; false with why when it does not fit.
bool Take(std::map<std::string, JournalEntry>& entries, JournalRecord record, std::string& why) {
    const auto it = entries.find(record.id);
    if (record.state == JournalState::Started) {
        if (it != entries.end()) {
            why = "a second start of programming " + record.id;
            return false;
        }
        entries[record.id].start = std::move(record);
        return true;
    }
    if (it == entries.end()) {
        why = "the outcome of programming " + record.id + ", whose start is not in the journal";
        return false;
    }
    if (it->second.state != JournalState::Started) {
        why = "a second outcome of programming " + record.id;
        return false;
    }
    it->second.state = record.state;
    it->second.reason = std::move(record.reason);
    it->second.endTime = std::move(record.time);
    return true;
}

} // namespace

std::string JournalPath() {
    const char* path = std::getenv("KTRSETUP_JOURNAL");
    return path && *path ? std::string(path) : DefaultJournalPath();
}

CJournal::CJournal(std::string path) : m_path(std::move(path)) {}

bool CJournal::CheckWritable(std::string& error) const {
    return CheckJournalFile(m_path, error);
}

bool CJournal::RecordStart(JournalRecord& record, std::string& error) const {
    record.state = JournalState::Started;
    record.user = JournalUserName();
    record.host = JournalHostName();
    return AppendJournalLine(
        m_path, kTailBytes,
        [&](const std::string& tail) {
            const Microseconds when = NextInstant(tail);
            record.id = FormatId(when);
            record.time = FormatTime(when);
            return JournalLine(record);
        },
        error);
}

bool CJournal::RecordOutcome(const std::string& id, JournalState state, const std::string& reason,
                             std::string& error) const {
    JournalRecord record;
    record.id = id;
    record.state = state;
    record.reason = reason;
    return AppendJournalLine(
        m_path, 0,
        [&](const std::string&) {
            record.time = FormatTime(Now());
            return JournalLine(record);
        },
        error);
}

JournalContents CJournal::Read() const {
    std::string text;
    JournalContents contents;
    if (!ReadJournalFile(m_path, text, contents.error))
        return contents;
    return Collect(text);
}

JournalContents CJournal::Collect(const std::string& text) {
    JournalContents contents;
    std::map<std::string, JournalEntry> entries;
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::string why;
        auto record = ParseJournalLine(line, why);
        if (!record || !Take(entries, std::move(*record), why))
            contents.warnings.push_back({number, why});
    }
    for (auto& [id, entry] : entries)
        contents.entries.push_back(std::move(entry));
    return contents;
}

const JournalEntry* FindJournalEntry(const JournalContents& contents, const std::string& id) {
    const auto it = std::find_if(contents.entries.begin(), contents.entries.end(),
                                 [&](const JournalEntry& entry) { return entry.start.id == id; });
    return it == contents.entries.end() ? nullptr : &*it;
}

std::string JournalWarningText(const JournalWarning& warning) {
    return "line " + std::to_string(warning.line) + ": " + warning.what + "; skipped";
}
