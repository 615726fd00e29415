#include "ui/map_window_part.h"

#include "output/image_folder_source.h"
#include "output/pattern_image.h"
#include "session/geometry.h"
#include "ui/folding_pane.h"
#include "ui/input_panes.h"
#include "ui/main_window.h"
#include "ui/map_pane.h"
#include "ui/messages.h"
#include "ui/status_panels.h"
#include "ui/user_dialogs.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <atomic>
#include <cmath>

namespace tavrel::ui {

namespace {

constexpr const char* kMapSessionName = "tavrel-map.dmp";
constexpr int kPaneWidth = 340;

QString percentText(std::int64_t done, std::int64_t total) {
    return QString::number(total > 0 ? 100 * done / total : 0) + QStringLiteral("%");
}

} // namespace

MapWindowPart::MapWindowPart(MainWindow& window) : QObject(&window), window_(window) {
    auto add = [&](const char* name, const QString& caption, auto run) {
        auto* action = new QAction(caption, &window_);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, run);
        return action;
    };
    QAction* open = add("actionOpenMap", QStringLiteral("Open EBSD Map…"), [this] { openMap(); });
    QAction* index = add("actionIndexMap", QStringLiteral("Index Map"), [this] { indexMap(); });
    QAction* save = add("actionSaveMap", QStringLiteral("Save Map As… (*.ang, *.ctf, *.png)"),
                        [this] { saveMap(); });
    if (auto* file = window_.findChild<QMenu*>(QStringLiteral("menuFile"))) {
        QAction* after = window_.command("actionOpenPatternImage");
        const QList<QAction*> actions = file->actions();
        const qsizetype at = actions.indexOf(after);
        file->insertAction(at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr, open);
    }
    auto* menu = new QMenu(QStringLiteral("&Map"), &window_);
    menu->setObjectName(QStringLiteral("menuMap"));
    menu->addActions({open, index, save});
    QMenu* help = window_.findChild<QMenu*>(QStringLiteral("menuHelp"));
    window_.menuBar()->insertMenu(help ? help->menuAction() : nullptr, menu);

    pane_ = new MapPane;
    dock_ = new QDockWidget(QStringLiteral("EBSD Map"), &window_);
    dock_->setObjectName(QStringLiteral("mapPane"));
    dock_->setWidget(pane_);
    pane_->setMinimumWidth(kPaneWidth - 40);
    dock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                       QDockWidget::DockWidgetFloatable);
    window_.addDockWidget(Qt::RightDockWidgetArea, dock_);
    dock_->hide();
    connect(pane_, &MapPane::pictureChosen, this, [this](int) { showMap(); });
    connect(pane_, &MapPane::pointPicked, this,
            [this](int row, int column) { pickPoint(row, column); });
    enableCommands();
}

MapWindowPart::~MapWindowPart() = default;

void MapWindowPart::showDock(bool widen) {
    if (dock_->isVisible()) return;
    dock_->show();
    if (!widen) return;
    // The pane takes its room from the window, not from the pattern, where the screen allows.
    if (window_.isMaximized() || window_.isFullScreen()) return;
    const QScreen* screen = window_.screen();
    const int room = screen ? screen->availableGeometry().width() - 16 : window_.width();
    window_.resize(std::max(window_.width(), std::min(window_.width() + kPaneWidth, room)),
                   window_.height());
    if (screen) {
        const QRect available = screen->availableGeometry();
        const int overhang = window_.frameGeometry().right() - available.right();
        if (overhang > 0)
            window_.move(std::max(available.left(), window_.x() - overhang), window_.y());
    }
}

void MapWindowPart::enableCommands() {
    window_.command("actionIndexMap")->setEnabled(map_.isOpen());
    window_.command("actionSaveMap")->setEnabled(map_.isOpen() && map_.results());
}

QString MapWindowPart::sessionPath() const {
    return QDir(window_.folders().work).filePath(QString::fromLatin1(kMapSessionName));
}

void MapWindowPart::openMap() {
    FileRequest request;
    request.title = QStringLiteral("Open EBSD Map");
    request.folder = lastFolder_.isEmpty() ? window_.folders().image : lastFolder_;
    request.filters = {
        QStringLiteral("EBSD pattern files (*.h5 *.hdf5 *.h5ebsd *.oh5 *.h5oina *.dat *.up1 "
                       "*.up2 *.ebsp)"),
        QStringLiteral("A folder of pattern images, by any of them (*.png *.jpg *.jpeg *.bmp "
                       "*.tif *.tiff)"),
        QStringLiteral("All files (*)")};
    request.addSuffix = false;
    const std::optional<FileChoice> choice = window_.dialogs_.openFileName(&window_, request);
    if (!choice) return;
    lastFolder_ = QFileInfo(choice->path).absolutePath();
    openMapFile(choice->path);
}

void MapWindowPart::openMapFile(const QString& path, const app::MapOpenOptions& options) {
    // A picture chosen names its folder as a map of pattern images, whose shape only the user
    // can tell.
    if (isPatternImageName(path.toStdString()) && !options.shape) {
        const QString folder = QFileInfo(path).absolutePath();
        const Result<std::int64_t> count = countFolderImages(folder.toStdString());
        if (!count) {
            showProblem(window_.dialogs_, &window_, count.failure());
            return;
        }
        MapShapeDialog ask(folder, *count, &window_);
        if (window_.dialogs_.runModal(ask) != QDialog::Accepted) return;
        app::MapOpenOptions shaped = options;
        shaped.shape = ask.shape();
        openMapFile(folder, shaped);
        return;
    }
    if (const Outcome opened = map_.open(path, options); !opened) {
        showProblem(window_.dialogs_, &window_, opened.failure());
        return;
    }
    pane_->markPoint(std::nullopt);
    pane_->setIndexed(false);
    showDock(true);
    for (const std::string& warning : map_.header().warnings)
        window_.status_->showNote(QFileInfo(path).fileName() + QStringLiteral(": ") +
                                  QString::fromStdString(warning));
    look();
}

MapRunSummary
MapWindowPart::runOffThread(const QString& what,
                            const std::function<MapRunSummary(const MapRunOptions&)>& run) {
    std::atomic<std::int64_t> done{0}, total{0};
    MapRunSummary summary;
    std::int64_t shown = -1;
    window_.whileWorking(
        [&](const CancelCheck& cancelled) {
            MapRunOptions options;
            options.progress = [&](std::int64_t d, std::int64_t t) { done = d, total = t; };
            options.cancelled = cancelled;
            summary = run(options);
        },
        [&] {
            if (done == shown) return;
            shown = done;
            window_.status_->showNote(what + QStringLiteral(" … ") + percentText(done, total) +
                                      QStringLiteral(" (Escape stops)"));
        });
    return summary;
}

void MapWindowPart::look() {
    const MapRunSummary summary =
        runOffThread(QStringLiteral("Looking at the map"),
                     [this](const MapRunOptions& o) { return map_.look(o); });
    window_.status_->showNote(app::mapRunSummaryText(summary, false));
    showMap();
    enableCommands();
}

void MapWindowPart::indexMap() {
    if (!map_.isOpen()) return;
    const Simulation& sim = window_.controller_->simulation();
    // The phases of the Pattern Image pane; one whose file went is left out.
    const std::vector<std::string> paths =
        window_.controller_->patternImage().underlay().settings.phases;
    const MapRunSummary summary =
        runOffThread(QStringLiteral("Indexing the map"), [&](const MapRunOptions& o) {
            std::vector<Simulation> others;
            for (const std::string& path : paths)
                if (Result<Simulation> phase = app::phaseSimulation(sim, path))
                    others.push_back(std::move(*phase));
            return map_.index(sim, o, others);
        });
    if (summary.problem && summary.points == 0) {
        showProblem(window_.dialogs_, &window_, *summary.problem);
        return;
    }
    window_.status_->showNote(app::mapRunSummaryText(summary, true));
    pane_->setIndexed(map_.indexed());
    if (map_.indexed()) pane_->setShown(static_cast<int>(app::MapPicture::Ipf));
    showMap();
    enableCommands();
}

void MapWindowPart::showMap() {
    if (!map_.isOpen()) {
        dock_->hide();
        return;
    }
    const auto which = static_cast<app::MapPicture>(pane_->shown());
    const PatternFileHeader& h = map_.header();
    QString caption = QStringLiteral("%1: %2 × %3 points, patterns %4 × %5 px")
                          .arg(QFileInfo(map_.path()).fileName())
                          .arg(h.rows)
                          .arg(h.columns)
                          .arg(h.patternWidth)
                          .arg(h.patternHeight);
    if (!map_.indexed())
        caption += QStringLiteral("; not indexed (Map > Index Map)");
    else if (which == app::MapPicture::Ipf)
        caption += QStringLiteral("; IPF colours of %1 along the specimen normal")
                       .arg(QString::fromStdString(map_.phases().front().name));
    if (const auto marked = pane_->markedPoint())
        caption +=
            QStringLiteral("; point row %1, column %2").arg(marked->first).arg(marked->second);
    pane_->showPicture(map_.picture(which), caption);
}

void MapWindowPart::pickPoint(int row, int column) {
    if (window_.generating_) return;
    app::SimulationController& c = *window_.controller_;
    fitFilmToPatterns();
    const Outcome shown =
        map_.showPoint(row, column, c.simulation(), c.patternImage(), window_.folders().work);
    if (!shown) {
        showProblem(window_.dialogs_, &window_, shown.failure());
        return;
    }
    pane_->markPoint(std::pair{row, column});
    window_.patternImageFolding_->setFolded(false);
    window_.showPatternImage();
    showMap();
}

// A point's pattern lies on the film in its own proportions, which the document's film may not
// have (a square film under 4:3 patterns): the film's width follows them, its height and distance
// stay.
void MapWindowPart::fitFilmToPatterns() {
    app::SimulationController& c = *window_.controller_;
    const PatternFileHeader& h = map_.header();
    const Detector film = detectorOf(c.simulation());
    const double width = film.filmWidth, height = film.filmHeight;
    if (!(width > 0) || !(height > 0) || h.patternWidth < 1 || h.patternHeight < 1) return;
    const double fitted = height * h.patternWidth / h.patternHeight;
    if (std::fabs(fitted / width - 1) < 1e-4) return;
    const QString text = QString::number(fitted, 'g', 6);
    c.setFieldText(app::TextField::Film, 0, text);
    window_.inputs_->showFields(c.simulation().fields);
    window_.status_->showNote(QStringLiteral("Film width set to %1 for the map's %2 x %3 patterns")
                                  .arg(text)
                                  .arg(h.patternWidth)
                                  .arg(h.patternHeight));
}

void MapWindowPart::saveMap() {
    if (!map_.results()) return;
    FileRequest request;
    request.title = QStringLiteral("Save Map As");
    request.folder = lastFolder_.isEmpty() ? window_.folders().image : lastFolder_;
    request.filters = {QStringLiteral("EDAX TSL orientation map (*.ang)"),
                       QStringLiteral("Oxford orientation map (*.ctf)"),
                       QStringLiteral("Picture of the map as shown (*.png)")};
    request.presetName = QFileInfo(map_.path()).completeBaseName();
    const std::optional<FileChoice> choice = window_.dialogs_.saveFileName(&window_, request);
    if (!choice) return;
    QString path = choice->path;
    static const char* const suffixes[] = {".ang", ".ctf", ".png"};
    const QString suffix = QString::fromLatin1(suffixes[std::clamp(choice->filterIndex, 0, 2)]);
    const QString lower = path.toLower();
    if (!lower.endsWith(QStringLiteral(".ang")) && !lower.endsWith(QStringLiteral(".ctf")) &&
        !lower.endsWith(QStringLiteral(".png")))
        path += suffix;
    const Outcome saved = map_.save(path, static_cast<app::MapPicture>(pane_->shown()));
    if (!saved) {
        showProblem(window_.dialogs_, &window_, saved.failure());
        return;
    }
    window_.status_->showNote(QStringLiteral("Saved ") + QFileInfo(path).fileName());
}

void MapWindowPart::saveSession() const {
    // Like the state dump, a map that cannot be kept is not worth holding up the quit.
    (void)map_.writeSession(sessionPath());
}

void MapWindowPart::restoreSession() {
    if (const Outcome restored = map_.restoreSession(sessionPath()); !restored) {
        window_.status_->showNote(QString::fromStdString(restored.problem()));
        return;
    }
    if (!map_.isOpen()) return;
    pane_->setIndexed(map_.indexed());
    if (map_.indexed()) pane_->setShown(static_cast<int>(app::MapPicture::Ipf));
    // The window comes back at the size it closed at, the pane's room included.
    showDock(false);
    // The look runs once the window is up, so that its progress shows.
    if (!map_.results())
        QTimer::singleShot(0, this, [this] { look(); });
    else
        showMap();
    enableCommands();
}

} // namespace tavrel::ui
