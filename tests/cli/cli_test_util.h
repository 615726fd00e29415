#pragma once

#include <string>
#include <vector>

namespace tavrel::cli {

struct CliResult {
    int status = 0;
    std::string out;
    std::string err;
};

CliResult runCli(const std::vector<std::string>& args);

} // namespace tavrel::cli
