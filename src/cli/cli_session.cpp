#include "cli/cli_session.h"

#include "cli/args.h"
#include "common/text.h"
#include "session/document_reading.h"
#include "session/input_files.h"

#include <algorithm>
#include <ostream>

namespace tavrel::cli {

CliSession::CliSession(std::ostream& errors, std::string name)
    : err(errors), commandName(std::move(name)) {
    newDocument(simulation, "input.tvr");
}

void CliSession::say(const std::string& text) const {
    err << "tavrel-cli " << commandName << ": " << text << "\n";
}

void CliSession::chooseScattering(const std::optional<std::string>& option) {
    if (!option) return;
    if (*option == "xray")
        simulation.fields.scattering = ScatteringChoice::XRay;
    else if (*option == "electron")
        simulation.fields.scattering = ScatteringChoice::Electron;
    else
        throw UsageError("--scattering must be xray or electron, not '" + *option + "'");
}

bool CliSession::load(const std::string& path) {
    const std::optional<InputFormat> format = inputFormatOf(path);
    if (!format) throw UsageError("'" + path + "' is neither a .tvr, a .hkl nor a .cif file");
    // A file that is refused names itself; input the simulation then refuses does not, so the
    // message names the file here.
    const Result<InputFile> file = readInputFile(path, *format, simulation.fields);
    if (!file) {
        say(file.problem());
        return false;
    }
    const Result<NewListReport> report = takeInputFile(simulation, *file);
    if (!report) {
        say(inQuotes(path) + ": " + report.problem());
        return false;
    }
    // The file's own warnings come last and name it; those of the simulation name it here.
    const std::size_t own = std::min(file->warnings.size(), report->warnings.size());
    for (std::size_t i = 0; i < report->warnings.size(); ++i)
        say(i < report->warnings.size() - own ? inQuotes(path) + ": " + report->warnings[i]
                                              : report->warnings[i]);
    showNewReflections(pattern, simulation, report->origin);
    return true;
}

} // namespace tavrel::cli
