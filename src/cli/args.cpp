#include "cli/args.h"

#include "common/numeric.h"

#include <charconv>
#include <cmath>

namespace tavrel::cli {

Args::Args(const std::vector<std::string>& args, const std::set<std::string>& flags,
           const std::set<std::string>& options, const Aliases& aliases) {
    for (const auto& [alias, option] : aliases) shownNames_[option] = alias + "/" + option;
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!onlyPositional && a == "--") {
            onlyPositional = true;
            continue;
        }
        const std::size_t eq = a.find('=');
        const auto alias = aliases.find(a.substr(0, eq));
        const std::string name = alias != aliases.end() ? alias->second : a.substr(0, eq);
        const bool known = flags.count(name) > 0 || options.count(name) > 0;
        if (onlyPositional || (!known && a.compare(0, 2, "--") != 0)) {
            positional_.push_back(a);
            continue;
        }
        if (!known) throw UsageError("unknown option " + name);
        if (flags.count(name)) {
            if (eq != std::string::npos) throw UsageError("option " + name + " takes no value");
            flags_.insert(name);
        } else if (eq != std::string::npos) {
            values_[name].push_back(a.substr(eq + 1));
        } else {
            if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
            values_[name].push_back(args[++i]);
        }
    }
}

std::optional<std::string> Args::value(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end() || it->second.empty()) return std::nullopt;
    if (it->second.size() > 1) {
        const auto shown = shownNames_.find(name);
        throw UsageError("option " + (shown != shownNames_.end() ? shown->second : name) +
                         " given more than once");
    }
    return it->second.front();
}

std::vector<std::string> Args::values(const std::string& name) const {
    const auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

void Args::expectPositional(std::size_t min, std::size_t max) const {
    if (positional_.size() < min) throw UsageError("missing argument");
    if (positional_.size() > max)
        throw UsageError("unexpected argument '" + positional_[max] + "'");
}

std::optional<double> completeNumber(const std::string& text) {
    double v = 0;
    const char* begin = text.data();
    // from_chars takes no plus sign; one is allowed, but not followed by another sign.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

double parseNumber(const std::string& text, const std::string& what) {
    const std::optional<double> v = completeNumber(text);
    if (!v) throw UsageError(what + " must be a number, not '" + text + "'");
    return *v;
}

float parseFloat(const std::string& text, const std::string& what) {
    const std::optional<double> v = completeNumber(text);
    const std::optional<float> f = v ? finiteFloat(*v) : std::nullopt;
    if (!f) throw UsageError(what + " must be a number, not '" + text + "'");
    return *f;
}

int parseInteger(const std::string& text, const std::string& what) {
    int v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        throw UsageError(what + " must be a whole number, not '" + text + "'");
    return v;
}

std::string shownText(std::string_view text, std::size_t most) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        if (characters == most) return shown + "...";
        const auto byte = static_cast<unsigned char>(text[i]);
        // The length of a well-formed UTF-8 sequence starting here, 0 for none.
        std::size_t length = byte < 0x80                    ? 1
                             : byte >= 0xC2 && byte <= 0xDF ? 2
                             : byte >= 0xE0 && byte <= 0xEF ? 3
                             : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                            : 0;
        for (std::size_t k = 1; k < length; ++k)
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                length = 0;
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
            ++i;
        } else {
            shown.append(text.substr(i, length));
            i += length;
        }
    }
    return shown;
}

} // namespace tavrel::cli
