#include "cli/cli_test_util.h"

#include "cli/cli.h"

#include <sstream>

namespace tavrel::cli {

CliResult runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = run(args, out, err);
    return {status, out.str(), err.str()};
}

} // namespace tavrel::cli
