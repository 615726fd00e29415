#pragma once
// The window's part in whole EBSD maps (its code in main_window_map.cpp): File > Open EBSD Map,
// the map pane (a dock beside the canvas), a click on a point making its pattern the recorded
// pattern under the lines, Map > Index Map and Save Map As, and the map kept beside the state
// dump. The runs read the map on a worker thread while the window's thread shows their
// progress and watches for Escape.

#include "app/map_commands.h"

#include <QObject>

#include <functional>

class QDockWidget;

namespace tavrel::ui {

class MainWindow;
class MapPane;

class MapWindowPart : public QObject {
    Q_OBJECT
public:
    // Adds the commands to the window's File menu and a Map menu, and the (hidden) map pane.
    explicit MapWindowPart(MainWindow& window);
    ~MapWindowPart() override;

    const app::MapCommands& map() const { return map_; }
    MapPane& pane() const { return *pane_; }

    void openMap();
    // The map at `path` as a file dialog would have chosen it.
    void openMapFile(const QString& path, const app::MapOpenOptions& options = {});
    void indexMap();
    void saveMap();
    void pickPoint(int row, int column);

    // The map beside the state dump, written when the window closes and read at its start.
    void saveSession() const;
    void restoreSession();

private:
    // Runs a pass on a worker thread; the status bar counts the points meanwhile.
    MapRunSummary runOffThread(const QString& what,
                               const std::function<MapRunSummary(const MapRunOptions&)>& run);
    void look();
    void showMap();
    // `widen`: the window grows by the pane's width where the screen has room.
    void showDock(bool widen);
    void enableCommands();
    void fitFilmToPatterns();
    QString sessionPath() const;

    MainWindow& window_;
    app::MapCommands map_;
    QDockWidget* dock_ = nullptr;
    MapPane* pane_ = nullptr;
    QString lastFolder_;
};

} // namespace tavrel::ui
