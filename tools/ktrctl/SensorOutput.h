#pragma once

#include "model/CSensor.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// How ktrctl shows sensor records: one JSON object per record, or text.

// {"port": 3, "address": 5, "model": "KTR-100", "sizes": [0.3, 0.5],
//  "calibration": [[0.3, 100.0], [0.5, 150.5]]}, keys in this order.
nlohmann::ordered_json SensorToJson(const CSensor& sensor);

// The JSON text of a value as ktrctl prints it: an object on one line, an
// array with one element per line; bytes of a model text that are not UTF-8
// are replaced.
std::string JsonText(const nlohmann::ordered_json& value);

// A table of records, one line each: port, address, model, number of
// calibration points and the sizes.
std::string SensorTable(const std::vector<CSensor>& sensors);

// Everything about one record: port, address, model, sizes and calibration.
std::string SensorDetails(const CSensor& sensor);
