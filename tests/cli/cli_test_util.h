#pragma once
// Runs tavrel-cli in-process and gives the tests a scratch folder.

#include "cli/cli.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tavrel::cli {

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

inline const std::string kIron = std::string(TAVREL_EXAMPLES) + "/iron.tvr";

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh folder, removed with everything in it at the end of the test.
struct Scratch {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("tavrel-cli-" + std::to_string(std::random_device()()));
    Scratch() { std::filesystem::create_directories(dir); }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string file(const std::string& name) const { return (dir / name).string(); }
};

} // namespace tavrel::cli
