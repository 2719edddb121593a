#pragma once

#include "model/CCalCurve.h"
#include "model/CSizeList.h"

#include <optional>
#include <string>

// One line of the programming journal. A programming writes two: a
// `started` record before its first byte goes out, with who, when, where,
// which table, the table it replaces and the table as sent; then a record
// with the same id that gives its outcome (`done` or `failed`, with the
// reason).

enum class JournalTable { Sizes, Calibration };
enum class JournalState { Started, Done, Failed };

// A table's values: the sizes of a size table, or the points of a
// calibration curve; only the one its record's table names is used.
struct JournalValues {
    CSizeList sizes;
    CCalCurve curve;
};

struct JournalRecord {
    std::string id;   // unique; ids sort in the order the programmings were made
    std::string time; // UTC, ISO 8601 with its zone: "2026-12-07T23:21:14Z"
    JournalState state = JournalState::Started;
    std::string reason; // outcome records: why it failed, or empty

    // Started records only.
    std::string user;
    std::string host;
    std::string program; // "ktrsetup" or "ktrctl"
    int port = 0;
    std::string device;
    int address = 0;
    std::string model;
    JournalTable table = JournalTable::Sizes;
    JournalValues before; // the table as last read from the counter
    JournalValues after;  // the table exactly as sent
};

// "sizes", "calibration"; "started", "done", "failed".
const char* JournalTableName(JournalTable table);
const char* JournalStateName(JournalState state);

// The record as one line of JSON, without the line end. Numbers keep every
// digit of their value, so a table read back is the table written.
std::string JournalLine(const JournalRecord& record);

// The record a line holds, or nothing with why in words ("not JSON",
// "\"port\" is missing or not a com port number").
std::optional<JournalRecord> ParseJournalLine(const std::string& line, std::string& why);
