#include "app/window_settings.h"

#include "common/file_io.h"
#include "common/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

namespace tavrel::app {

namespace {

// The group QSettings keeps keys without a group in, and the lines before any group header.
constexpr std::string_view kGeneralGroup = "General";

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A text value as QSettings writes one in an INI file, so that it reads back unchanged: "@"
// doubled at the start, backslashes, quotes and control characters escaped, UTF-8 as it is, and
// quotes around a value holding ";" "," or "=" (a comment, a list, a key) or with blanks at
// either end.
std::string iniValue(const std::string& text) {
    std::string escaped = startsWith(text, "@") ? "@" : "";
    bool quoted = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    bool hexEscapeOpen = false; // a hex digit after "\x.." would be read as part of it
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ';' || c == ',' || c == '=') quoted = true;
        if (hexEscapeOpen && isHexDigit(c)) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%x", byte);
            escaped += code;
            continue;
        }
        hexEscapeOpen = false;
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%x", byte);
            escaped += code;
            hexEscapeOpen = true;
        } else {
            escaped += c;
        }
    }
    return quoted ? "\"" + escaped + "\"" : escaped;
}

std::vector<std::pair<std::string, std::string>> placementEntries(const WindowPlacement& p) {
    std::vector<std::pair<std::string, std::string>> entries;
    const QRect& g = p.geometry;
    if (p.state == WindowState::Normal) {
        entries.emplace_back("WNDO", std::to_string(g.left() * kTwipsPerPixel) + " " +
                                         std::to_string(g.top() * kTwipsPerPixel) + " " +
                                         std::to_string(g.width() * kTwipsPerPixel) + " " +
                                         std::to_string(g.height() * kTwipsPerPixel));
    }
    entries.emplace_back("WNDS", std::to_string(static_cast<int>(p.state)));
    entries.emplace_back("PATH", p.executablePath.toStdString());
    return entries;
}

} // namespace

QString windowSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quorvex/Tavrel.conf");
}

std::string settingsTextWithPlacement(const std::string& existing,
                                      const WindowPlacement& placement) {
    const std::vector<std::pair<std::string, std::string>> entries = placementEntries(placement);
    auto lineOf = [](const std::pair<std::string, std::string>& entry) {
        return entry.first + "=" + iniValue(entry.second);
    };
    std::vector<bool> written(entries.size(), false);
    std::vector<std::string> lines;
    std::string group;          // empty before the first header
    bool generalSeen = false;   // a [General] header or a key before any header
    std::size_t generalEnd = 0; // where the general group's missing keys go
    for (const std::string& line : splitLines(existing)) {
        const std::string text = trim(line);
        const bool general = group.empty() || group == kGeneralGroup;
        if (startsWith(text, "[") && contains(text, "]")) {
            group = text.substr(1, text.find(']') - 1);
            if (group == kGeneralGroup) generalSeen = true;
        } else if (general && !text.empty() && text[0] != ';' && contains(text, "=")) {
            generalSeen = true;
            const std::string key = trim(text.substr(0, text.find('=')));
            bool ours = false;
            for (std::size_t i = 0; i < entries.size(); ++i) {
                if (entries[i].first != key) continue;
                ours = true;
                // A repeated key is dropped: QSettings would read only one of them.
                if (!written[i]) lines.push_back(lineOf(entries[i]));
                written[i] = true;
            }
            if (ours) {
                generalEnd = lines.size();
                continue;
            }
        }
        lines.push_back(line);
        if (group.empty() || group == kGeneralGroup) {
            if (!text.empty()) generalEnd = lines.size();
        }
    }

    std::vector<std::string> missing;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!written[i]) missing.push_back(lineOf(entries[i]));
    if (!generalSeen) {
        missing.insert(missing.begin(), "[" + std::string(kGeneralGroup) + "]");
        if (!lines.empty()) missing.emplace_back();
        generalEnd = 0;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(generalEnd), missing.begin(),
                 missing.end());
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::optional<WindowPlacement> placementOfSettingsText(const std::string& text) {
    std::optional<WindowPlacement> placement;
    std::optional<WindowState> state;
    std::string group;
    for (const std::string& line : splitLines(text)) {
        const std::string t = trim(line);
        if (startsWith(t, "[") && contains(t, "]")) {
            group = t.substr(1, t.find(']') - 1);
            continue;
        }
        if ((!group.empty() && group != kGeneralGroup) || !contains(t, "=")) continue;
        const std::string key = trim(t.substr(0, t.find('=')));
        std::string value = trim(t.substr(t.find('=') + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        const std::vector<std::string> words = splitBlanks(value);
        std::vector<int> numbers;
        for (const std::string& word : words) {
            int n = 0;
            const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), n);
            if (error != std::errc() || end != word.data() + word.size()) break;
            numbers.push_back(n);
        }
        if (numbers.size() != words.size()) continue;
        if (key == "WNDO" && numbers.size() == 4) {
            const QRect geometry(numbers[0] / kTwipsPerPixel, numbers[1] / kTwipsPerPixel,
                                 numbers[2] / kTwipsPerPixel, numbers[3] / kTwipsPerPixel);
            if (geometry.width() > 0 && geometry.height() > 0) {
                placement = WindowPlacement{};
                placement->geometry = geometry;
            }
        } else if (key == "WNDS" && numbers.size() == 1 && numbers[0] >= 0 && numbers[0] <= 2) {
            state = static_cast<WindowState>(numbers[0]);
        }
    }
    if (placement && state) placement->state = *state;
    return placement;
}

std::optional<WindowPlacement> readWindowSettings(const QString& path) {
    // Looking does not open: a FIFO in the file's place is never waited on.
    if (!QFileInfo(path).isFile()) return std::nullopt;
    const Result<std::string> content = readWholeFile(QFile::encodeName(path).toStdString());
    if (!content) return std::nullopt;
    return placementOfSettingsText(*content);
}

Outcome saveWindowSettings(const QString& path, const WindowPlacement& placement) {
    const std::string local = QFile::encodeName(path).toStdString();
    std::string existing;
    // Looking does not open: a FIFO in the file's place is refused without waiting on it.
    if (QFileInfo::exists(path)) {
        const Result<std::string> content = readWholeFile(local);
        if (!content)
            return Problem{inQuotes(local) + " " + content.problem() + "; it was left as it is"};
        existing = *content;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return Problem{inQuotes(local) + " cannot be written: its folder cannot be created"};
    if (const Outcome written =
            writeFileAtomically(local, settingsTextWithPlacement(existing, placement));
        !written)
        return Problem{inQuotes(local) + " cannot be written: " + written.problem()};
    return {};
}

WindowFit fitWindow(QSize designed, QSize designedLeast, QSize layoutLeast, const QRect& available,
                    QSize frame, const std::optional<QRect>& saved) {
    const QSize room = (available.size() - frame).expandedTo(QSize(0, 0));
    WindowFit fit;
    fit.least = designedLeast.boundedTo(room).expandedTo(layoutLeast);
    fit.first = (saved ? saved->size() : designed).boundedTo(room).expandedTo(fit.least);
    const QSize outer = fit.first + frame;
    if (!saved) {
        fit.position =
            available.topLeft() + QPoint(std::max(0, (available.width() - outer.width()) / 2),
                                         std::max(0, (available.height() - outer.height()) / 2));
        return fit;
    }
    // Into the free area, the top left corner first where the window is larger than it.
    const auto within = [](int at, int size, int start, int length) {
        return std::max(start, std::min(at, start + length - size));
    };
    fit.position = {within(saved->left(), outer.width(), available.left(), available.width()),
                    within(saved->top(), outer.height(), available.top(), available.height())};
    return fit;
}

} // namespace tavrel::app
