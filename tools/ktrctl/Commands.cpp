#include "Commands.h"

#include "ArgParsing.h"
#include "CCounterSession.h"
#include "CTerminalProgress.h"
#include "ExitCode.h"
#include "ModelsFileText.h"
#include "SensorOutput.h"
#include "StopRequest.h"
#include "TableFiles.h"
#include "Terminal.h"
#include "ValueNotes.h"
#include "link/TableRules.h"

#include <algorithm>
#include <optional>

namespace {

// The values as typed into list; false (said on stderr) for a text that is
// not a number or a point.
bool ParseSizes(const std::vector<std::string>& texts, CSizeList& sizes) {
    std::string error;
    for (const std::string& text : texts) {
        const auto value = ParseNumber(text, error);
        if (!value) {
            PrintError(error);
            return false;
        }
        sizes.AddTail(*value);
    }
    return true;
}

bool ParseCurve(const std::vector<std::string>& texts, CCalCurve& curve) {
    std::string error;
    for (const std::string& text : texts) {
        const auto point = ParsePoint(text, error);
        if (!point) {
            PrintError(error);
            return false;
        }
        curve.AddTail(CCalPoint(point->first, point->second));
    }
    return true;
}

void PrintSensor(const CSensor& sensor, bool json) {
    PrintOut(json ? JsonText(SensorToJson(sensor)) : SensorDetails(sensor));
}

void PrintNotes(const std::vector<std::string>& notes) {
    for (const std::string& note : notes)
        PrintError("note: " + note);
}

// The texts that go to the counter, as the table rules prepared them.
struct PreparedTexts {
    std::string sizes;
    std::string curve;
};

// Both tables are checked against the counter's rules before anything is
// sent, once; every refusal is shown.
bool TablesAccepted(TableRecord& tables, PreparedTexts& texts) {
    LinkResult sizes, curve;
    if (tables.sizes)
        sizes = TableRules::PrepareSizes(*tables.sizes, texts.sizes);
    if (tables.curve)
        curve = TableRules::PrepareCalibration(*tables.curve, texts.curve);
    PrintRefusal(sizes);
    PrintRefusal(curve);
    return sizes.Ok() && curve.Ok();
}

// Model texts compare as the supported-models file does: ignoring ASCII case.
bool SameModel(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// A saved record of one model goes into a counter of another only when
// the user says so; it gets a note then.
bool ModelAccepted(const TableRecord& tables, const CCounterSession& session) {
    const std::string& model = session.Sensor().GetModel();
    if (tables.model.empty() || SameModel(tables.model, model))
        return true;
    const std::string what = "the record is of model " + tables.model + ", the counter at " +
                             session.Where() + " is a " + model;
    if (tables.otherModelAllowed) {
        PrintNotes({what});
        return true;
    }
    PrintError(what + "; nothing was programmed (--force programs it all the same)");
    return false;
}

// Why a programming ended without every table on the counter.
void ReportUnfinished(const CCounterSession& session, bool sizesDone) {
    if (StopSignalNumber() != 0)
        PrintError(session.Where() +
                   ": programming stopped before the counter confirmed the table; read it "
                   "back to see what it holds");
    if (sizesDone)
        PrintError(session.Where() + ": the sizes were programmed, the calibration was not");
}

// Programs the tables given into one counter, sizes first, and collects a
// note for every value that went out other than given.
bool ProgramTables(CCounterSession& session, TableRecord& tables, const PreparedTexts& texts,
                   std::vector<std::string>& notes) {
    if (!session.Open() || !session.ReadCounter() || !ModelAccepted(tables, session))
        return false;
    if (tables.sizes && !session.SendSizes(texts.sizes)) {
        ReportUnfinished(session, false);
        return false;
    }
    if (tables.sizes)
        notes = SizeChangeNotes(*tables.sizes, session.Sensor().GetSizes());
    if (tables.curve && !session.SendCalibration(texts.curve)) {
        ReportUnfinished(session, tables.sizes.has_value());
        return false;
    }
    if (tables.curve)
        for (std::string& note :
             CalibrationChangeNotes(*tables.curve, session.Sensor().GetCalCurve()))
            notes.push_back(std::move(note));
    return true;
}

// Checks the tables, then identifies and reads the counter and programs
// them; prints the record as programmed.
int Program(int port, int address, TableRecord& tables, bool json) {
    PreparedTexts texts;
    if (!TablesAccepted(tables, texts) || !SupportedModelsAvailable())
        return kExitRefused;
    CSensor programmed;
    std::vector<std::string> notes;
    {
        CTerminalProgress progress("Programming");
        CCounterSession session(port, address, &progress);
        if (!ProgramTables(session, tables, texts, notes))
            return kExitRefused;
        programmed = session.Sensor();
    }
    PrintNotes(notes);
    PrintSensor(programmed, json);
    return kExitOk;
}

} // namespace

int RunReadCommand(int port, int address, bool json) {
    if (!SupportedModelsAvailable())
        return kExitRefused;
    CCounterSession session(port, address);
    if (!session.Open() || !session.ReadCounter())
        return kExitRefused;
    PrintSensor(session.Sensor(), json);
    return kExitOk;
}

int RunProgramSizesCommand(int port, int address, const std::vector<std::string>& texts,
                           bool json) {
    TableRecord tables;
    return ParseSizes(texts, tables.sizes.emplace()) ? Program(port, address, tables, json)
                                                     : kExitUsage;
}

int RunProgramCalCommand(int port, int address, const std::vector<std::string>& texts, bool json) {
    TableRecord tables;
    return ParseCurve(texts, tables.curve.emplace()) ? Program(port, address, tables, json)
                                                     : kExitUsage;
}

int RunProgramCommand(int port, int address, const std::string& recordFile,
                      const std::string& csvFile, bool force, bool json) {
    std::string error;
    std::optional<TableRecord> tables;
    if (csvFile.empty()) {
        tables = ReadRecordFile(recordFile, error);
    } else if (const auto curve = ReadCalibrationCsv(csvFile, error)) {
        tables.emplace().curve.emplace(*curve);
    }
    if (!tables) {
        PrintError(error);
        return kExitUsage;
    }
    tables->otherModelAllowed = force;
    return Program(port, address, *tables, json);
}

int RunFlashCommand(int port, int address, bool on) {
    CCounterSession session(port, address);
    if (!session.Open() || !session.SetFlash(on))
        return kExitRefused;
    PrintOut(session.Where() + ": flash " + (on ? "on" : "off") + "\n");
    return kExitOk;
}
