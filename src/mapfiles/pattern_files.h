#pragma once
// Opening the pattern file of a map, whichever detector wrote it.

#include "mapfiles/pattern_source.h"

#include <memory>
#include <string>

namespace tavrel {

// Opens a pattern file by its content (and, for the binary formats, its extension: .up1, .up2,
// .ebsp, .dat). A file that is none of these, or is damaged, is a problem naming the file and
// what is wrong; a file of no known kind is a WrongKind problem.
Result<std::unique_ptr<PatternSource>> openPatternFile(const std::string& path,
                                                       const PatternFileOptions& options = {});

} // namespace tavrel
