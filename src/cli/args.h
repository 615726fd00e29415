#pragma once
// A small command-line parser: positional arguments, flags, and options with values
// ("--size 640x480" or "--size=640x480"), some of them repeatable. Options are long ("--name");
// a short one ("-o") is recognised when it is one of the given names. An alias ("-o" for
// "--output") is the same option under another name: its values are those of the option.

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::cli {

// A bad command line: reported in one line followed by the usage, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Args {
public:
    using Aliases = std::map<std::string, std::string>; // alias -> option
    Args(const std::vector<std::string>& args, const std::set<std::string>& flags,
         const std::set<std::string>& options, const Aliases& aliases = {});

    bool flag(const std::string& name) const { return flags_.count(name) > 0; }
    // Throws UsageError when the option (under any of its names) was given more than once.
    std::optional<std::string> value(const std::string& name) const;
    std::vector<std::string> values(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }
    // Throws UsageError unless there are between min and max positional arguments.
    void expectPositional(std::size_t min, std::size_t max) const;

private:
    std::set<std::string> flags_;
    std::map<std::string, std::vector<std::string>> values_;
    std::map<std::string, std::string> shownNames_; // "-o/--output" for messages
    std::vector<std::string> positional_;
};

// Numbers given on the command line must be complete, finite numbers ("12x", "nan" and "1e999"
// are refused); none when the text is not one.
std::optional<double> completeNumber(const std::string& text);
double parseNumber(const std::string& text, const std::string& what);
// A number that also fits a 4-byte float, as every value of the simulation is one.
float parseFloat(const std::string& text, const std::string& what);
int parseInteger(const std::string& text, const std::string& what);

// A text from a file as one line of stderr shows it: control bytes and bytes that are no UTF-8
// written as "\xNN", and cut after `most` characters with "...".
std::string shownText(std::string_view text, std::size_t most = 200);

} // namespace tavrel::cli
