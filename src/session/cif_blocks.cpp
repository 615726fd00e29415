#include "session/cif_blocks.h"

#include "common/text.h"

#include <gemmi/cif.hpp>

#include <cctype>
#include <exception>

namespace tavrel {

namespace {

namespace cif = gemmi::cif;

// gemmi's messages start with the source and a position ("a.cif:4:17: unterminated ..."); the
// caller names the file already, the position reads better in words.
std::string problemOf(std::string message, const std::string& source) {
    if (!startsWith(message, source + ":")) return message;
    message = message.substr(source.size() + 1);
    auto digitsEnd = [&](std::size_t at) {
        while (at < message.size() && std::isdigit(static_cast<unsigned char>(message[at]))) ++at;
        return at;
    };
    const std::size_t lineEnd = digitsEnd(0);
    if (lineEnd == 0) return message;
    std::string where = "line " + message.substr(0, lineEnd);
    std::size_t rest = lineEnd;
    if (rest < message.size() && message[rest] == ':') {
        const std::size_t columnEnd = digitsEnd(rest + 1);
        if (columnEnd > rest + 1 && columnEnd < message.size() && message[columnEnd] == ':') {
            where += ", column " + message.substr(rest + 1, columnEnd - rest - 1);
            rest = columnEnd;
        }
    }
    return where + message.substr(rest);
}

} // namespace

CifParse parseCifBlocks(const std::string& text, const std::string& source,
                        const std::vector<std::string>& wanted) {
    CifParse result;
    try {
        cif::Document document = cif::read_memory(text.data(), text.size(), source.c_str());
        std::vector<CifBlock> blocks;
        for (cif::Block& block : document.blocks) {
            CifBlock kept;
            kept.name = block.name;
            for (const std::string& tag : wanted) {
                const cif::Column column = block.find_values(tag);
                if (!column) continue;
                std::vector<std::string>& values = kept.items[tag];
                for (const std::string& raw : column) values.push_back(cif::as_string(raw));
            }
            blocks.push_back(std::move(kept));
        }
        result.blocks = std::move(blocks);
    } catch (const std::exception& e) {
        result.problem = problemOf(e.what(), source);
    }
    return result;
}

} // namespace tavrel
