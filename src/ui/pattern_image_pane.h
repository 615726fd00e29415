#pragma once
// The content of the "Pattern Image" pane: the recorded pattern under the lines, how it is shown
// (opacity, contrast, brightness, corrected or as recorded), the background correction matching
// uses (a static background file, the dynamic correction), the phases indexing tries, the
// detector it lies on (the film's
// size and distance, the pattern centre x y z in a convention chosen, the specimen and detector
// tilts, EMsoft's pixel size and binning), the frame the Euler angles are shown in, and a button
// that removes the image. Every edit is announced
// at once; showUnderlay puts the controller's state back without announcing it. And the dialog
// that offers the orientations indexing found.

#include "app/pattern_image_commands.h"
#include "crystal/unit_cell.h"
#include "detector/detector.h"
#include "fit/indexing.h"
#include "session/pattern_underlay.h"
#include "session/simulation.h"

#include <QDialog>
#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;

namespace tavrel::ui {

class PatternImagePane : public QWidget {
    Q_OBJECT
public:
    explicit PatternImagePane(QWidget* parent = nullptr);

    // The image, how it is shown and the detector: the film fields as typed, the setup, the
    // detector it gives (its tilts as they apply) and the centre in the setup's convention
    // (none when the convention cannot state it: EMsoft's without a pixel size).
    // `crystal` names the document's crystal, the first phase.
    void showUnderlay(const PatternUnderlay& underlay, const std::array<std::string, 3>& film,
                      const DetectorSetup& setup, const Detector& detector,
                      const std::optional<CentreCoordinates>& stated, const QString& crystal = {});
    // The film fields alone, as they follow what is typed elsewhere; a field being typed in
    // keeps its text.
    void showFilm(const std::array<std::string, 3>& film);
    // The settings as the controls hold them.
    UnderlaySettings settings(const UnderlaySettings& current) const;
    // The detector setup as the fields hold it (the convention chosen, tilts, pixel and
    // binning; a field that cannot be read is not a number, for the controller to refuse), and
    // the pattern centre typed in that convention.
    DetectorSetup setup(const DetectorSetup& current) const;
    CentreCoordinates statedCentre() const;
    // The Euler frame chosen; none for the default of the work.
    std::optional<EulerFrame> frame() const;
    fit::DynamicCorrection dynamic() const;

    QLabel* fileLabel() const { return file_; }
    QSlider* opacitySlider() const { return opacity_; }
    QSlider* contrastSlider() const { return contrast_; }
    QSlider* brightnessSlider() const { return brightness_; }
    QCheckBox* showCorrectedBox() const { return showCorrected_; }
    QComboBox* dynamicBox() const { return dynamic_; }
    QLabel* staticBackgroundLabel() const { return staticLabel_; }
    QPushButton* staticBackgroundButton() const { return staticChoose_; }
    QPushButton* noStaticBackgroundButton() const { return staticNone_; }
    // The document's crystal first, then the further phases' files.
    QListWidget* phaseList() const { return phases_; }
    QPushButton* addPhaseButton() const { return addPhase_; }
    QPushButton* removePhaseButton() const { return removePhase_; }
    QLineEdit* centreXEdit() const { return centreX_; }
    QLineEdit* centreYEdit() const { return centreY_; }
    QLineEdit* centreZEdit() const { return centreZ_; }
    QComboBox* conventionBox() const { return convention_; }
    QComboBox* frameBox() const { return frame_; }
    // Specimen tilt, detector tilt, pixel size, binning.
    QLineEdit* detectorEdit(int i) const { return detector_[static_cast<std::size_t>(i)]; }
    // Film width, height and distance.
    QLineEdit* filmEdit(int i) const { return film_[static_cast<std::size_t>(i)]; }
    QPushButton* removeButton() const { return remove_; }

signals:
    void settingsEdited();
    void centreEdited();
    void detectorEdited();
    void conventionChosen();
    void frameChosen();
    void filmEdited(int index, const QString& text);
    void removeRequested();
    void staticBackgroundRequested();
    void staticBackgroundCleared();
    void dynamicChosen();
    void addPhaseRequested();
    // `index` counts the further phases (the document's crystal cannot go).
    void removePhaseRequested(int index);

private:
    void announce();

    QLabel* file_;
    QSlider* opacity_;
    QSlider* contrast_;
    QSlider* brightness_;
    QCheckBox* showCorrected_;
    QComboBox* dynamic_;
    QLabel* staticLabel_;
    QPushButton* staticChoose_;
    QPushButton* staticNone_;
    QListWidget* phases_;
    QPushButton* addPhase_;
    QPushButton* removePhase_;
    QLineEdit* centreX_;
    QLineEdit* centreY_;
    QLineEdit* centreZ_;
    QComboBox* convention_;
    QComboBox* frame_;
    std::array<QLineEdit*, 4> detector_{};
    std::array<QLineEdit*, 3> film_{};
    QPushButton* remove_ = nullptr;
    bool showing_ = false;
};

// The orientations indexing found, best first, with their phase, Euler angles, score, bands and
// deviation; OK takes the chosen one.
class IndexResultsDialog : public QDialog {
    Q_OBJECT
public:
    IndexResultsDialog(const std::vector<app::IndexAnswer>& found, const OrientationFrame& frame,
                       QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }
    std::optional<app::IndexAnswer> chosen() const;

private:
    std::vector<app::IndexAnswer> found_;
    QListWidget* list_;
};

} // namespace tavrel::ui
