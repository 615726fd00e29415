#pragma once
// Whole-file reading and writing. Writes go to a temporary file beside the target that replaces
// it only when everything was written, so a failed write never destroys the previous file.

#include <optional>
#include <string>
#include <vector>

namespace tavrel {

// The file's bytes; no value when it cannot be opened or read (the reason goes to `error`).
std::optional<std::string> readWholeFile(const std::string& path, std::string& error);

// Lines without their line ends; accepts CR LF and LF.
std::vector<std::string> splitLines(const std::string& content);

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error);

// Joins a folder and a file name with exactly one "/" between them.
std::string joinPath(const std::string& folder, const std::string& name);

// The part of a path after its last "/" (the file name).
std::string fileNameOf(const std::string& path);

// The extension in lower case, with its dot (".tvr"); empty when there is none.
std::string extensionOf(const std::string& path);

} // namespace tavrel
