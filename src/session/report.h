#pragma once
// The simulation report "Report.txt": the inputs of the simulation and its reflection table.

#include "session/session.h"

#include <string>

namespace tavrel {

inline constexpr const char* kReportFileName = "Report.txt";

// The report text, lines ended by CR LF; `dateTime` goes into the title line.
std::string reportText(Session& s, const std::string& dateTime);

// The current local date and time as the report's title line shows it.
std::string reportDateTime();

// Writes the report into `folder` (replacing an earlier one). Returns the file's path, or an
// empty text with `error` set when it cannot be written.
std::string writeReport(Session& s, const std::string& folder, std::string& error);

} // namespace tavrel
