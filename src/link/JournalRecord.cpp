#include "link/JournalRecord.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

namespace {

Json ValuesJson(JournalTable table, const JournalValues& values) {
    Json array = Json::array();
    if (table == JournalTable::Sizes) {
        for (auto pos = values.sizes.GetHeadPosition(); pos;)
            array.push_back(values.sizes.GetNext(pos));
    } else {
        for (auto pos = values.curve.GetHeadPosition(); pos;) {
            const CCalPoint& point = values.curve.GetNext(pos);
            array.push_back({point.m_size, point.m_voltage});
        }
    }
    return array;
}

bool IsPair(const Json& value) {
    return value.is_array() && value.size() == 2 && value[0].is_number() && value[1].is_number();
}

// The values of a "before" or "after" array; false when one is not of the
// table's shape (a number for a size, a [size, voltage] pair for a point).
bool ParseValues(const Json& array, JournalTable table, JournalValues& values) {
    if (!array.is_array())
        return false;
    for (const Json& value : array) {
        if (table == JournalTable::Sizes && value.is_number())
            values.sizes.AddTail(value.get<double>());
        else if (table == JournalTable::Calibration && IsPair(value))
            values.curve.AddTail(CCalPoint(value[0].get<double>(), value[1].get<double>()));
        else
            return false;
    }
    return true;
}

bool Text(const Json& object, const char* key, std::string& text) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return false;
    text = it->get<std::string>();
    return true;
}

bool Whole(const Json& object, const char* key, int first, int last, int& value) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number_integer())
        return false;
    const auto number = it->get<long long>();
    if (number < first || number > last)
        return false;
    value = static_cast<int>(number);
    return true;
}

template <typename E> bool Named(const Json& object, const char* key, E first, E last, E& value,
                                 const char* (*name)(E)) {
    std::string text;
    if (!Text(object, key, text))
        return false;
    for (int e = static_cast<int>(first); e <= static_cast<int>(last); ++e) {
        if (text == name(static_cast<E>(e))) {
            value = static_cast<E>(e);
            return true;
        }
    }
    return false;
}

// What a started record holds besides id, time and state; empty when all
// is there, otherwise why not.
std::string ParseStart(const Json& object, JournalRecord& record) {
    if (!Text(object, "user", record.user) || !Text(object, "host", record.host) ||
        !Text(object, "program", record.program) || !Text(object, "device", record.device) ||
        !Text(object, "model", record.model))
        return "user, host, program, device or model is missing";
    if (!Whole(object, "port", 1, 32, record.port))
        return "\"port\" is missing or not a com port number";
    if (!Whole(object, "address", 0, 31, record.address))
        return "\"address\" is missing or not a network address";
    if (!Named(object, "table", JournalTable::Sizes, JournalTable::Calibration, record.table,
               &JournalTableName))
        return "\"table\" is neither sizes nor calibration";
    if (!object.contains("before") || !ParseValues(object["before"], record.table, record.before))
        return "\"before\" is not a table of " + std::string(JournalTableName(record.table));
    if (!object.contains("after") || !ParseValues(object["after"], record.table, record.after))
        return "\"after\" is not a table of " + std::string(JournalTableName(record.table));
    return "";
}

} // namespace

const char* JournalTableName(JournalTable table) {
    return table == JournalTable::Sizes ? "sizes" : "calibration";
}

const char* JournalStateName(JournalState state) {
    switch (state) {
    case JournalState::Started:
        return "started";
    case JournalState::Done:
        return "done";
    case JournalState::Failed:
        break;
    }
    return "failed";
}

std::string JournalLine(const JournalRecord& record) {
    Json object;
    object["id"] = record.id;
    object["time"] = record.time;
    if (record.state == JournalState::Started) {
        object["user"] = record.user;
        object["host"] = record.host;
        object["program"] = record.program;
        object["port"] = record.port;
        object["device"] = record.device;
        object["address"] = record.address;
        object["model"] = record.model;
        object["table"] = JournalTableName(record.table);
        object["before"] = ValuesJson(record.table, record.before);
        object["after"] = ValuesJson(record.table, record.after);
    }
    object["state"] = JournalStateName(record.state);
    if (record.state != JournalState::Started)
        object["reason"] = record.reason;
    // Texts from a counter or the system may hold bytes that are not UTF-8;
    // they are written as replacement characters rather than refused.
    return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<JournalRecord> ParseJournalLine(const std::string& line, std::string& why) {
    const Json object = Json::parse(line, nullptr, false);
    if (object.is_discarded() || !object.is_object()) {
        why = "not JSON";
        return std::nullopt;
    }
    JournalRecord record;
    if (!Text(object, "id", record.id) || record.id.empty() || !Text(object, "time", record.time)) {
        why = "\"id\" or \"time\" is missing";
        return std::nullopt;
    }
    if (!Named(object, "state", JournalState::Started, JournalState::Failed, record.state,
               &JournalStateName)) {
        why = "\"state\" is none of started, done, failed";
        return std::nullopt;
    }
    if (record.state == JournalState::Started)
        why = ParseStart(object, record);
    else if (object.contains("reason") && !Text(object, "reason", record.reason))
        why = "\"reason\" is not a text";
    else
        why.clear();
    if (!why.empty())
        return std::nullopt;
    return record;
}
