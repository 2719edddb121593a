#include "SensorOutput.h"

#include "link/Numbers.h"
#include "link/PortText.h"

namespace {

std::string SizesText(const CSizeList& sizes) {
    std::string text;
    for (auto pos = sizes.GetHeadPosition(); pos;) {
        if (!text.empty())
            text += ' ';
        text += FormatSizeField(sizes.GetNext(pos));
    }
    return text;
}

// text, then spaces up to width (at least one).
std::string Cell(const std::string& text, size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

std::string Row(const std::string& port, const std::string& address, const std::string& model,
                const std::string& points, const std::string& sizes) {
    return Cell(port, 7) + Cell(address, 8) + Cell(model, 17) + Cell(points, 7) + sizes + "\n";
}

} // namespace

nlohmann::ordered_json SensorToJson(const CSensor& sensor) {
    nlohmann::ordered_json object;
    object["port"] = sensor.GetPort();
    object["address"] = sensor.GetAddress();
    object["model"] = sensor.GetModel();
    object["sizes"] = nlohmann::ordered_json::array();
    for (auto pos = sensor.GetSizes().GetHeadPosition(); pos;)
        object["sizes"].push_back(sensor.GetSizes().GetNext(pos));
    object["calibration"] = nlohmann::ordered_json::array();
    for (auto pos = sensor.GetCalCurve().GetHeadPosition(); pos;) {
        const CCalPoint& point = sensor.GetCalCurve().GetNext(pos);
        object["calibration"].push_back({point.m_size, point.m_voltage});
    }
    return object;
}

std::string JsonText(const nlohmann::ordered_json& value) {
    const auto compact = [](const nlohmann::ordered_json& v) {
        return v.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    };
    if (!value.is_array() || value.empty())
        return compact(value) + "\n";
    std::string text = "[\n";
    for (size_t i = 0; i < value.size(); ++i)
        text += "  " + compact(value[i]) + (i + 1 < value.size() ? ",\n" : "\n");
    return text + "]\n";
}

std::string SensorTable(const std::vector<CSensor>& sensors) {
    std::string text = Row("Port", "Address", "Model", "Points", "Sizes (µm)");
    for (const CSensor& sensor : sensors) {
        text +=
            Row(PortName(sensor.GetPort()), std::to_string(sensor.GetAddress()), sensor.GetModel(),
                std::to_string(sensor.GetCalCurve().GetCount()), SizesText(sensor.GetSizes()));
    }
    text += std::to_string(sensors.size()) + (sensors.size() == 1 ? " sensor" : " sensors") +
            " found.\n";
    return text;
}

std::string SensorDetails(const CSensor& sensor) {
    std::string text = "Port:        " + PortName(sensor.GetPort()) + "\n";
    text += "Address:     " + std::to_string(sensor.GetAddress()) + "\n";
    text += "Model:       " + sensor.GetModel() + "\n";
    text += "Sizes (µm):  " + SizesText(sensor.GetSizes()) + "\n";
    text += "Calibration: size (µm)  voltage (mV)\n";
    for (auto pos = sensor.GetCalCurve().GetHeadPosition(); pos;) {
        const CCalPoint& point = sensor.GetCalCurve().GetNext(pos);
        text += "             " + Cell(FormatCalNumber(point.m_size), 11) +
                FormatCalNumber(point.m_voltage) + "\n";
    }
    return text;
}
