// The report's facts as JSON for scripts: the same gathering step as the text report, so the
// two never disagree. Numbers are kept at full precision.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <string_view>

#include "report.h"

nlohmann::json RenderJsonReport(const FileFacts& facts);

// Takes the JSON text piece by piece.
using JsonSink = std::function<void(std::string_view)>;

// The text JsonText(RenderJsonReport(facts), compact) gives, written in pieces: a raster's bands
// one at a time, so that a file of many bands is never held whole, as a tree or as text.
// `pathJson`, when not empty, is a JSON string written as the first member, "path", in place of
// the report's own.
void WriteJsonReport(const FileFacts& facts, bool compact, const JsonSink& write,
                     std::string_view pathJson = {});

// A number as the report writes it: a whole number as one ("1024", not "1024.0"), a NaN or
// infinity as the string "NaN", "Infinity" or "-Infinity".
nlohmann::json JsonNumber(double value);

// The JSON as text: indented by four spaces, or on one line when `compact`; no final newline.
std::string JsonText(const nlohmann::json& json, bool compact);
