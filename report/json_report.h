// The report's facts as JSON for scripts: the same gathering step as the text report, so the
// two never disagree. Numbers are kept at full precision.
#pragma once

#include <QJsonObject>

#include "report.h"

QJsonObject RenderJsonReport(const FileFacts& facts);
