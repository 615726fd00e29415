#pragma once
// The window's commands on a whole EBSD map: a pattern file opened, looked at (each pattern's
// quality), indexed against the current crystal, a point's pattern made the recorded pattern
// under the lines with that point's detector, the map saved as .ang, .ctf or pictures, and the
// map kept beside the state dump across a restart.
//
// The runs (look, index) block and are meant for a worker thread: they read only what the
// caller handed them and the map's own source, report progress through atomics the caller
// polls, and stop when `cancelled` says so. Nothing else of the map is to be called while one
// runs.

#include "common/result.h"
#include "crystal/unit_cell.h"
#include "mapfiles/ipf_colours.h"
#include "mapfiles/pattern_source.h"
#include "orientation/euler_frames.h"
#include "session/map_indexing.h"
#include "session/simulation.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::app {

class PatternImageCommands;

enum class MapPicture { Quality = 0, Ipf = 1, Score = 2 };

struct MapOpenOptions {
    // Rows x columns where the file states none (a folder of images, an early .up1).
    std::optional<std::pair<int, int>> shape;
    int scan = 0; // from 0
};

// A crystal the map was indexed against, as the files and pictures name and colour it.
struct MapPhaseInfo {
    std::string name;
    UnitCell cell;
    int spaceGroupNumber = 1;
    LatticeMatrices matrices;
    LaueClass laue = LaueClass::Cubic;
    std::vector<std::string> cornerLabels; // of its colour key
};

// What a finished run says, for the status bar: "72 of 72 points indexed (100%), mean score
// 0.41, 1.2 s, 60 patterns/s".
QString mapRunSummaryText(const MapRunSummary& summary, bool indexing);

class MapCommands {
public:
    MapCommands();
    ~MapCommands();

    // A pattern file by its content, or a folder of images (or a name pattern) with its shape;
    // a problem names the file and keeps the map that was open.
    Outcome open(const QString& path, const MapOpenOptions& options = {});
    void close();
    bool isOpen() const { return source_ != nullptr; }
    QString path() const { return path_; }
    const MapOpenOptions& options() const { return options_; }
    const PatternFileHeader& header() const;

    // Each pattern's quality, nothing indexed (the first look at a map); the results indexed
    // before are dropped. A cancelled look keeps what it read.
    MapRunSummary look(const MapRunOptions& run = {});
    // Every point against the simulation's crystal on the simulation's detector (its film,
    // distance and pattern centre where the file states none; the file's centre and tilts
    // where it does), and the further phases' crystals beside it (each point takes the phase
    // that explains it best). Refused before anything is read when the simulation has no lines.
    MapRunSummary index(const Simulation& sim, const MapRunOptions& run = {},
                        const std::vector<Simulation>& others = {});

    const MapResults* results() const { return results_.get(); }
    bool indexed() const { return !phases_.empty(); }
    const std::vector<MapPhaseInfo>& phases() const { return phases_; }
    // The tilts the orientations are put into the specimen frame with.
    Tilts tilts() const { return tilts_; }

    // One pixel a point, top row first: quality and score in grey (black where there is
    // none), the IPF colours along the specimen normal (black where not indexed).
    QImage picture(MapPicture which) const;

    // Point (row, column)'s pattern written as a 16-bit PNG into `folder` and opened as the
    // recorded pattern under the lines, on that point's detector (pattern centre, distance and
    // tilts). A problem keeps what was shown.
    Outcome showPoint(int row, int column, const Simulation& sim, PatternImageCommands& image,
                      const QString& folder);

    // .ang or .ctf (indexed maps only) by the extension, or a PNG of `picture` with its key or
    // scale. A failed write keeps the previous file.
    Outcome save(const QString& path, MapPicture picture) const;

    // The open map (its path, shape and scan) and its results, written beside the state dump;
    // no map writes none and removes an old one.
    Outcome writeSession(const QString& path) const;
    // No file: nothing, no problem. A map file gone or changed since: a problem for the status
    // bar, and no map. Results that do not fit the map are dropped (the map shows unindexed).
    Outcome restoreSession(const QString& path);

private:
    MapGeometry geometryFor(const Simulation& sim) const;

    QString path_;
    MapOpenOptions options_;
    std::unique_ptr<MapPatternSource> source_;
    std::unique_ptr<MapResults> results_;
    std::vector<MapPhaseInfo> phases_;
    Tilts tilts_;
};

} // namespace tavrel::app
