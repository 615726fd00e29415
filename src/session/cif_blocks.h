#pragma once
// The data blocks of a CIF as gemmi parses them, reduced to the items a reader asks for. gemmi's
// document types are kept to this file's source, which is compiled as C++17: clang 14 cannot
// compile them as C++20 (their blocks hold a vector of a type that is not yet complete), so this
// header uses nothing newer.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

struct CifBlock {
    std::string name; // without "data_"
    // Lower-case item name -> its values (one for a pair, a column for a loop), unquoted; an
    // unknown or inapplicable value ("?" or ".") is empty.
    std::map<std::string, std::vector<std::string>> items;
};

struct CifParse {
    std::optional<std::vector<CifBlock>> blocks; // none when the text is no CIF
    std::string problem;                         // then gemmi's reason, with its position
};

// Parses `text`, keeping of each block only the items named in `wanted` (lower case); `source`
// is the name gemmi's messages give the text and is left out of `problem`. Never throws.
CifParse parseCifBlocks(const std::string& text, const std::string& source,
                        const std::vector<std::string>& wanted);

} // namespace tavrel
