// The report's facts as JSON for scripts: the same gathering step as the text report, so the
// two never disagree. Numbers are kept at full precision.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "report.h"

nlohmann::json RenderJsonReport(const FileFacts& facts);

// A number as the report writes it: a whole number as one ("1024", not "1024.0"), a NaN or
// infinity as the string "NaN", "Infinity" or "-Infinity".
nlohmann::json JsonNumber(double value);

// The JSON as text: indented by four spaces, or on one line when `compact`; no final newline.
std::string JsonText(const nlohmann::json& json, bool compact);
