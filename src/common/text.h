#pragma once
// Small text helpers shared by every layer. All case conversions are ASCII-only: the texts the
// program compares (symbols, headers, field contents) are plain ASCII.

#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

std::string trim(std::string_view s);
std::string toUpper(std::string_view s);
std::string toLower(std::string_view s);
bool contains(std::string_view haystack, std::string_view needle);
bool startsWith(std::string_view s, std::string_view prefix);
bool endsWith(std::string_view s, std::string_view suffix);
// Replaces every occurrence, scanning left to right over the original text.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);
// Removes every character of `chars` from s.
std::string removeChars(std::string_view s, std::string_view chars);
// Tokens separated by runs of blanks (and tabs); leading and trailing blanks are ignored.
std::vector<std::string> splitBlanks(std::string_view s);
// The text right-aligned in a field of `width` characters (longer texts are kept whole).
std::string padLeft(std::string_view s, std::size_t width);
// A text as a message quotes it: in double quotes, with control characters shown as "?" so that
// they cannot garble the line it is printed on; beyond `longest` characters cut short with "...".
std::string inQuotes(std::string_view text, std::size_t longest = std::string_view::npos);

} // namespace tavrel
