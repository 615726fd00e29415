#include "cli/args.h"

#include <charconv>
#include <cmath>

namespace tavrel::cli {

Args::Args(const std::vector<std::string>& args, const std::set<std::string>& flags,
           const std::set<std::string>& options) {
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool shortOption = flags.count(a) > 0 || options.count(a) > 0;
        if (onlyPositional || (!shortOption && (a.size() < 2 || a.compare(0, 2, "--") != 0))) {
            positional_.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
        }
        if (flags.count(name)) {
            if (inlineValue) throw UsageError("option " + name + " takes no value");
            flags_.insert(name);
        } else if (options.count(name)) {
            if (inlineValue) {
                values_[name].push_back(*inlineValue);
            } else {
                if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
                values_[name].push_back(args[++i]);
            }
        } else {
            throw UsageError("unknown option " + name);
        }
    }
}

std::optional<std::string> Args::value(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end() || it->second.empty()) return std::nullopt;
    if (it->second.size() > 1) throw UsageError("option " + name + " given more than once");
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

double parseNumber(const std::string& text, const std::string& what) {
    double v = 0;
    const char* begin = text.data();
    if (!text.empty() && text[0] == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(v))
        throw UsageError(what + " must be a number, not '" + text + "'");
    return v;
}

int parseInteger(const std::string& text, const std::string& what) {
    int v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        throw UsageError(what + " must be a whole number, not '" + text + "'");
    return v;
}

} // namespace tavrel::cli
