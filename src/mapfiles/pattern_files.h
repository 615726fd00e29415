#pragma once
// Opening the pattern file of a map, whichever detector wrote it.

#include "mapfiles/pattern_source.h"

#include <memory>
#include <string>

namespace tavrel {

// Opens a pattern file by its content (and, for the binary formats, its extension: .up1, .up2,
// .ebsp, .dat). A file that is none of these, or is damaged, is a problem naming the file and
// what is wrong; a file of no known kind is a WrongKind problem.
Result<std::unique_ptr<MapPatternSource>> openPatternFile(const std::string& path,
                                                          const PatternFileOptions& options = {});

// The patterns of a source as a map of rows x columns, in the same order; refused (the problem
// after `prefix`, which names the source) unless the shape holds exactly its patterns.
Result<std::unique_ptr<MapPatternSource>> reshapedMap(std::unique_ptr<MapPatternSource> source,
                                                      int rows, int columns,
                                                      const std::string& prefix);

} // namespace tavrel
