#pragma once
// The simulation report "Report.txt": the inputs of the simulation and its reflection table.

#include "common/result.h"
#include "session/simulation.h"

#include <string>

namespace tavrel {

inline constexpr const char* kReportFileName = "Report.txt";

// The report text, lines ended by CR LF; `dateTime` goes into the title line. The annotation
// is the Description field as it stands. With fourIndex the table has a column i = -(h + k).
std::string reportText(const Simulation& sim, const std::string& dateTime, bool fourIndex = false);

// The current local date and time as the report's title line shows it.
std::string reportDateTime();

// Takes the Description field as the title and writes the report into `folder` (replacing an
// earlier one). The file's path, or a problem that names it and the reason.
Result<std::string> writeReport(Simulation& sim, const std::string& folder, bool fourIndex = false);

} // namespace tavrel
