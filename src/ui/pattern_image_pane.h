#pragma once
// The content of the "Pattern Image" pane: the recorded pattern under the lines, how it is shown
// (opacity, contrast, brightness, its background flattened), where its pattern centre lies, the
// film distance, and a button that removes it. Every edit is announced at once; showUnderlay
// puts the controller's state back without announcing it. And the dialog that offers the
// orientations indexing found.

#include "session/pattern_fit.h"
#include "session/pattern_underlay.h"

#include <QDialog>
#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
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

    void showUnderlay(const PatternUnderlay& underlay, const QString& distanceText);
    // The settings as the controls hold them; a centre that cannot be read keeps `current`'s.
    UnderlaySettings settings(const UnderlaySettings& current) const;

    QLabel* fileLabel() const { return file_; }
    QSlider* opacitySlider() const { return opacity_; }
    QSlider* contrastSlider() const { return contrast_; }
    QSlider* brightnessSlider() const { return brightness_; }
    QCheckBox* flattenBox() const { return flatten_; }
    QLineEdit* centreXEdit() const { return centreX_; }
    QLineEdit* centreYEdit() const { return centreY_; }
    QLineEdit* distanceEdit() const { return distance_; }
    QPushButton* removeButton() const { return remove_; }

signals:
    void settingsEdited();
    void distanceEdited(const QString& text);
    void removeRequested();

private:
    void announce();

    QLabel* file_;
    QSlider* opacity_;
    QSlider* contrast_;
    QSlider* brightness_;
    QCheckBox* flatten_;
    QLineEdit* centreX_;
    QLineEdit* centreY_;
    QLineEdit* distance_;
    QPushButton* remove_;
    bool showing_ = false;
};

// The orientations indexing found, best first, with their Euler angles, score, bands and
// deviation; OK takes the chosen one.
class IndexResultsDialog : public QDialog {
    Q_OBJECT
public:
    IndexResultsDialog(const std::vector<FoundOrientation>& found, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }
    std::optional<FoundOrientation> chosen() const;

private:
    std::vector<FoundOrientation> found_;
    QListWidget* list_;
};

} // namespace tavrel::ui
