#include "TableFiles.h"

#include "ArgParsing.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

using nlohmann::json;

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in)
        text << in.rdbuf();
    if (!in) {
        error = "cannot read " + path + " (" + std::strerror(errno) + ")";
        return std::nullopt;
    }
    return text.str();
}

// "line 3, column 7" of a byte offset.
std::string PlaceOf(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < offset; ++i) {
        column = text[i] == '\n' ? 1 : column + 1;
        line += text[i] == '\n' ? 1 : 0;
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

bool IsFiniteNumber(const json& value) {
    return value.is_number() && std::isfinite(value.get<double>());
}

std::optional<CSizeList> SizesOf(const json& value, std::string& error) {
    if (!value.is_array()) {
        error = "\"sizes\" is not a list of numbers";
        return std::nullopt;
    }
    CSizeList sizes;
    for (size_t i = 0; i < value.size(); ++i) {
        if (!IsFiniteNumber(value[i])) {
            error = "size " + std::to_string(i + 1) + " (" + value[i].dump() + ") is not a number";
            return std::nullopt;
        }
        sizes.AddTail(value[i].get<double>());
    }
    return sizes;
}

bool IsPoint(const json& value) {
    return value.is_array() && value.size() == 2 && IsFiniteNumber(value[0]) &&
           IsFiniteNumber(value[1]);
}

std::optional<CCalCurve> CurveOf(const json& value, std::string& error) {
    if (!value.is_array()) {
        error = "\"calibration\" is not a list of [size, voltage] pairs";
        return std::nullopt;
    }
    CCalCurve curve;
    for (size_t i = 0; i < value.size(); ++i) {
        if (!IsPoint(value[i])) {
            error = "calibration point " + std::to_string(i + 1) + " (" + value[i].dump() +
                    ") is not a [size, voltage] pair of numbers";
            return std::nullopt;
        }
        curve.AddTail(CCalPoint(value[i][0].get<double>(), value[i][1].get<double>()));
    }
    return curve;
}

bool TakeKey(const std::string& key, const json& value, TableRecord& record, std::string& error) {
    if (key == "sizes")
        return bool(record.sizes = SizesOf(value, error));
    if (key == "calibration")
        return bool(record.curve = CurveOf(value, error));
    if (key == "model" && value.is_string())
        record.model = value.get<std::string>();
    if (key == "model" || key == "port" || key == "address")
        return true;
    error =
        "unknown key \"" + key + "\" (a record holds port, address, model, sizes and calibration)";
    return false;
}

// Fills the record from the keys of a JSON object.
bool TakeKeys(const json& object, TableRecord& record, std::string& error) {
    for (const auto& [key, value] : object.items())
        if (!TakeKey(key, value, record, error))
            return false;
    if (!record.sizes && !record.curve)
        error = "it holds neither sizes nor calibration";
    return record.sizes || record.curve;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The fields of a CSV line, each trimmed and without surrounding quotes.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line + ",");
    for (std::string field; std::getline(in, field, ',');) {
        field = Trimmed(field);
        if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
            field = Trimmed(field.substr(1, field.size() - 2));
        fields.push_back(field);
    }
    return fields;
}

// A header names the two columns: two texts, neither of which starts the
// way a number does. "0.3;100" or "0.3,abc" is a broken point instead.
bool IsHeader(const std::vector<std::string>& fields) {
    const auto isName = [](const std::string& field) {
        return !field.empty() &&
               std::string("0123456789+-.").find(field.front()) == std::string::npos;
    };
    return fields.size() == 2 && isName(fields[0]) && isName(fields[1]);
}

// One "size,voltage" line into the curve; the first line may be a header.
bool TakeCsvLine(const std::string& line, bool headerAllowed, CCalCurve& curve,
                 std::string& error) {
    const std::vector<std::string> fields = Fields(line);
    std::string numberError;
    std::optional<double> size, voltage;
    if (fields.size() == 2 && (size = ParseNumber(fields[0], numberError)) &&
        (voltage = ParseNumber(fields[1], numberError))) {
        curve.AddTail(CCalPoint(*size, *voltage));
        return true;
    }
    if (headerAllowed && IsHeader(fields))
        return true;
    error = fields.size() != 2 ? "'" + line +
                                     "' is not size,voltage (two numbers separated by a comma, "
                                     "with a point as the decimal separator)"
                               : numberError;
    return false;
}

} // namespace

std::optional<TableRecord> ReadRecordFile(const std::string& path, std::string& error) {
    const auto text = ReadWholeFile(path, error);
    if (!text)
        return std::nullopt;
    json object;
    try {
        object = json::parse(*text);
    } catch (const json::parse_error& failure) {
        error = path + " is not JSON (" + PlaceOf(*text, failure.byte ? failure.byte - 1 : 0) + ")";
        return std::nullopt;
    }
    TableRecord record;
    if (!object.is_object()) {
        error = path + " does not hold one counter's record (an object as `ktrctl read --json` "
                       "prints it)";
        return std::nullopt;
    }
    if (!TakeKeys(object, record, error)) {
        error = path + ": " + error;
        return std::nullopt;
    }
    return record;
}

std::optional<CCalCurve> ReadCalibrationCsv(const std::string& path, std::string& error) {
    auto text = ReadWholeFile(path, error);
    if (!text)
        return std::nullopt;
    if (text->rfind("\xEF\xBB\xBF", 0) == 0)
        text->erase(0, 3);
    CCalCurve curve;
    std::istringstream lines(*text);
    bool first = true;
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        line = Trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;
        if (!TakeCsvLine(line, first, curve, error)) {
            error = path + " line " + std::to_string(number) + ": " + error;
            return std::nullopt;
        }
        first = false;
    }
    if (curve.IsEmpty()) {
        error = path + " holds no calibration point";
        return std::nullopt;
    }
    return curve;
}
