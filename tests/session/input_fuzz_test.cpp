// Mutated pattern input and reflection files. Every input must either be read into a
// consistent simulation whose texts can be written (and whose reflection file reads back), or
// be refused with a message that names the file, leaving the simulation as it was. A crash, a
// hang or an exception fails the test; the input is shown with every failure.

#include "common/file_io.h"
#include "session/generation.h"
#include "session/input_files.h"
#include "session/report.h"
#include "support/temp_dir.h"
#include "support/test_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tavrel {
namespace {

using test::readFile;
using test::TempDir;
using test::TestSimulation;

constexpr int kInputs = 2000;
// Mutated hkl limits can span billions of triples; the loops are cut short as Escape would.
constexpr int kLargestLoop = 2000;

// Writes a new file each time: truncating and rewriting one would make the file system flush
// it to disk on every close.
std::string writeAnew(const TempDir& dir, const std::string& name, const std::string& content) {
    std::filesystem::remove(dir.file(name));
    return dir.write(name, content);
}

// The input as a C string literal would show it.
std::string escaped(const std::string& bytes) {
    static const char* const hex = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (u < 0x20 || u >= 0x7f)
            out += std::string("\\x") + hex[u >> 4] + hex[u & 15];
        else
            out += c;
    }
    return "\"" + out + "\"";
}

// Everything an open may change, float values by their bits (a NaN equals itself here).
std::string stateOf(const Simulation& sim) {
    std::string s;
    auto text = [&](const std::string& t) { s += t + '\x1f'; };
    auto number = [&](float v) { text(std::to_string(std::bit_cast<std::uint32_t>(v))); };
    const DocumentFields& f = sim.fields;
    text(f.title);
    text(std::to_string(f.spaceGroupIndex));
    for (const std::string& t : f.cell) text(t);
    text(f.autoLimits ? "auto" : "fixed");
    for (const std::string& t : f.hklMax) text(t);
    for (const std::string& t : f.wavelength) text(t);
    text(f.orientation);
    text(std::to_string(static_cast<int>(f.orientationType)));
    for (const std::string& t : f.d) text(t);
    for (const std::string& t : f.film) text(t);

    const PatternDocument& doc = sim.document;
    for (const std::string& t : {doc.title, doc.filePath, doc.spaceGroupText, doc.orientationText})
        text(t);
    text(std::to_string(doc.spaceGroupIndex) + " " + std::to_string(doc.hklMax[0]) + " " +
         std::to_string(doc.hklMax[1]) + " " + std::to_string(doc.hklMax[2]));
    for (float v : doc.cell.values) number(v);
    for (float v : doc.wavelength) number(v);
    for (float v : doc.film) number(v);
    for (float v : {doc.dMin, doc.dMax, doc.displayDMin, doc.displayDMax}) number(v);
    for (const Mat3f* m : {&doc.matrices.lattice, &doc.matrices.inverse})
        for (const auto& row : *m)
            for (float v : row) number(v);

    const ReflectionList& r = sim.reflections;
    text(r.generated ? "generated" : "not generated");
    for (const auto* indices : {&r.h, &r.k, &r.l})
        for (std::int16_t i : *indices) text(std::to_string(i));
    for (const auto* values : {&r.d, &r.gx, &r.gy, &r.gz})
        for (float v : *values) number(v);
    for (const auto& p : sim.points.rows) {
        for (float v : {p.x, p.y, p.z}) number(v);
        text(std::to_string(p.reflection));
    }
    return s;
}

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    std::string mutate(std::string s) {
        const int count = pick(1, 3);
        for (int i = 0; i < count; ++i) {
            switch (pick(0, 4)) {
            case 0: // one byte replaced, often by one that means something to a reader
                if (!s.empty())
                    s[position(s.size() - 1)] = pick(0, 1) ? interestingByte() : anyByte();
                break;
            case 1:
                s.insert(position(s.size()), interestingText());
                break;
            case 2:
                if (!s.empty()) {
                    const std::size_t at = position(s.size() - 1);
                    s.erase(at, static_cast<std::size_t>(pick(1, 8)));
                }
                break;
            case 3:
                s = shuffleLines(s);
                break;
            default:
                if (!s.empty()) s[position(s.size() - 1)] = anyByte();
                break;
            }
        }
        return s;
    }

    int pick(int lowest, int highest) {
        return std::uniform_int_distribution<int>(lowest, highest)(random_);
    }

private:
    std::size_t position(std::size_t highest) {
        return std::uniform_int_distribution<std::size_t>(0, highest)(random_);
    }
    char anyByte() { return static_cast<char>(pick(0, 255)); }
    char interestingByte() {
        static const std::string bytes = "0123456789-+.eE \t\r\n\0\xEF\xBB\xBF";
        return bytes[position(bytes.size() - 1)];
    }
    std::string interestingText() {
        static const std::vector<std::string> texts = {
            "0",    "-",     ".",      "e",     "9",     "1e30",  "1e39",         "-100",
            "1000", "40000", "-32769", "32767", "1.5",   "180",   "179.9",        "\n",
            "\r\n", " ",     "nan",    "1e-30", "0 0 0", "\n0\n", "\xEF\xBB\xBF", "99999",
            "x",    "\t"};
        return texts[position(texts.size() - 1)];
    }
    // Two lines swapped, one doubled or one dropped.
    std::string shuffleLines(const std::string& s) {
        std::vector<std::string> lines = splitLines(s);
        if (lines.empty()) return s;
        const std::size_t a = position(lines.size() - 1), b = position(lines.size() - 1);
        switch (pick(0, 2)) {
        case 0:
            std::swap(lines[a], lines[b]);
            break;
        case 1:
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(a), lines[b]);
            break;
        default:
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(a));
            break;
        }
        const std::string end = pick(0, 1) ? "\r\n" : "\n";
        std::string out;
        for (const std::string& line : lines) out += line + end;
        return out;
    }

    std::mt19937 random_;
};

// What an accepted file must have given; failures name the input.
// `again` (when given) reads back the reflection file written from the result.
void expectConsistent(const Simulation& sim, InputFormat format, const TempDir& dir,
                      Simulation* again, const std::string& input) {
    const ReflectionList& r = sim.reflections;
    const std::size_t n = r.d.size();
    ASSERT_TRUE(r.h.size() == n && r.k.size() == n && r.l.size() == n && r.gx.size() == n &&
                r.gy.size() == n && r.gz.size() == n)
        << input;
    EXPECT_LE(r.count(), kMaxReflections) << input;
    EXPECT_EQ(sim.points.size(), n) << input;
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_TRUE(std::isfinite(r.d[i]) && r.d[i] > 0) << "d = " << r.d[i] << " in " << input;
        ASSERT_TRUE(std::isfinite(r.gx[i]) && std::isfinite(r.gy[i]) && std::isfinite(r.gz[i]))
            << input;
        ASSERT_FALSE(r.h[i] == 0 && r.k[i] == 0 && r.l[i] == 0) << input;
    }
    if (format == InputFormat::Tvr) {
        EXPECT_TRUE(std::is_sorted(r.d.rbegin(), r.d.rend())) << "not sorted by d: " << input;
    }

    // The texts never throw, and a reflection file written from the result reads back whole
    // (when the cell gives a lattice: a reflection file with one that does not is refused).
    EXPECT_EQ(splitLines(reportText(sim, "now")).size(), 15 + n) << input;
    const std::string hkl = hklText(sim);
    RecordingNotifier unheard;
    LatticeMatrices matrices;
    if (!again || buildLatticeMatrices(sim.document.cell, matrices, unheard) != LatticeStatus::Ok)
        return;
    const std::string path = writeAnew(dir, "again.hkl", hkl);
    const FileOutcome reread = openHkl(*again, path);
    ASSERT_TRUE(reread.ok) << reread.error << "\nwritten: " << escaped(hkl) << "\nfrom " << input;
    EXPECT_EQ(hklText(*again), hkl) << input;
}

TEST(InputFuzz, EveryInputIsReadConsistentlyOrRefusedWithoutChange) {
    TempDir dir;
    TestSimulation iron;
    test::setIron(iron.sim);
    generateReflections(iron.sim);
    struct Seed {
        std::string content;
        InputFormat format;
    };
    const std::vector<Seed> seeds = {
        {readFile(TAVREL_EXAMPLES "/iron.tvr"), InputFormat::Tvr},
        {readFile(TAVREL_EXAMPLES "/silicon.tvr"), InputFormat::Tvr},
        {hklText(iron.sim), InputFormat::Hkl},
        {"5.1 6.2 7.3 80 95 100 2\r\n 4 \r\n   1   0   0\r\n   0  -1   2\r\n -100 200   3\r\n"
         "   3   3 -1000\r\n",
         InputFormat::Hkl},
        {"3.2 3.2 5.2 90 90 120\n3\n1 0 0\n0 0 2\n1 0 1\n", InputFormat::Hkl},
        {"\xEF\xBB\xBF"
         "4.05 4.05 4.05 90 90 90 225\r\n2\r\n1 1 1\r\n2 0 0\r\n",
         InputFormat::Hkl}};
    for (const Seed& seed : seeds) ASSERT_GT(seed.content.size(), 20u);

    TestSimulation t, again;
    ASSERT_TRUE(openTvr(t.sim, TAVREL_EXAMPLES "/iron.tvr").ok);
    Mutator mutator(20261206);
    int accepted = 0, refused = 0;
    for (int i = 0; i < kInputs; ++i) {
        const Seed& seed = seeds[static_cast<std::size_t>(mutator.pick(0, 5))];
        // Now and then a file of one format under the other's extension.
        InputFormat format = seed.format;
        if (mutator.pick(0, 9) == 0)
            format = format == InputFormat::Tvr ? InputFormat::Hkl : InputFormat::Tvr;
        const std::string content = mutator.mutate(seed.content);
        const std::string input = "input " + std::to_string(i) + ": " + escaped(content);
        const std::string path =
            writeAnew(dir, format == InputFormat::Tvr ? "fuzz.tvr" : "fuzz.hkl", content);

        const std::string before = stateOf(t.sim);
        t.notifier.events.clear();
        int steps = 0;
        FileOutcome outcome;
        try {
            outcome = openInputFile(t.sim, path, format, [&] { return ++steps > kLargestLoop; });
            // Reading a written file back costs as much as the input itself: every third will do.
            if (outcome.ok)
                expectConsistent(t.sim, format, dir, accepted % 3 == 0 ? &again.sim : nullptr,
                                 input);
        } catch (const std::exception& e) {
            FAIL() << "exception \"" << e.what() << "\" from " << input;
        }
        if (outcome.ok) {
            ++accepted;
        } else {
            ++refused;
            EXPECT_NE(outcome.error.find(path), std::string::npos) << outcome.error << input;
            EXPECT_GT(outcome.error.size(), path.size() + 3) << input;
            EXPECT_EQ(stateOf(t.sim), before) << outcome.error << "\n" << input;
            for (const RecordingNotifier::Event& event : t.notifier.events)
                EXPECT_EQ(event.kind, RecordingNotifier::Kind::Beep) << event.text << input;
        }
        if (testing::Test::HasFatalFailure()) return;
    }
    // The mutations must reach both outcomes often, or the test proves little.
    EXPECT_GT(accepted, kInputs / 10);
    EXPECT_GT(refused, kInputs / 10);
}

} // namespace
} // namespace tavrel
