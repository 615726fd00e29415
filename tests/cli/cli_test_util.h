#pragma once
// Runs tavrel-cli in-process.

#include "cli/cli.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tavrel::cli {

using test::readFile;
using Scratch = test::TempDir;

struct CliResult {
    int status = 0;
    std::string out;
    std::string err;
};

inline CliResult runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = run(args, out, err);
    return {status, out.str(), err.str()};
}

// The output of a command that must succeed; a failure is reported with its message.
inline std::string outputOf(const std::vector<std::string>& args) {
    const CliResult r = runCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

inline const std::string kIron = std::string(TAVREL_EXAMPLES) + "/iron.tvr";

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

} // namespace tavrel::cli
