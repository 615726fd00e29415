#include "ui/pattern_image_pane.h"

#include "common/numeric.h"
#include "orientation/euler_angles.h"
#include "session/pattern_fit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tavrel::ui {

namespace {

// Contrast runs from 0.1 to 10 on a slider of -100..100: equal steps are equal factors.
int contrastPosition(float contrast) {
    return static_cast<int>(std::lround(std::log10(std::max(contrast, 0.1f)) * 100));
}

float contrastOf(int position) {
    return static_cast<float>(std::pow(10.0, position / 100.0));
}

QSlider* slider(int low, int high, const char* name, QWidget* parent) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(low, high);
    s->setObjectName(QString::fromLatin1(name));
    return s;
}

QString numberText(double v) {
    return QString::fromStdString(formatNumber(v, "0.####"));
}

} // namespace

PatternImagePane::PatternImagePane(QWidget* parent)
    : QWidget(parent), file_(new QLabel(this)),
      opacity_(slider(0, 100, "underlayOpacitySlider", this)),
      contrast_(slider(-100, 100, "underlayContrastSlider", this)),
      brightness_(slider(-100, 100, "underlayBrightnessSlider", this)),
      showCorrected_(new QCheckBox(QStringLiteral("Show corrected"), this)),
      dynamic_(new QComboBox(this)), staticLabel_(new QLabel(this)),
      staticChoose_(new QPushButton(QStringLiteral("Choose…"), this)),
      staticNone_(new QPushButton(QStringLiteral("None"), this)), phases_(new QListWidget(this)),
      addPhase_(new QPushButton(QStringLiteral("Add Phase…"), this)),
      removePhase_(new QPushButton(QStringLiteral("Remove"), this)), centreX_(new QLineEdit(this)),
      centreY_(new QLineEdit(this)), centreZ_(new QLineEdit(this)),
      convention_(new QComboBox(this)), frame_(new QComboBox(this)) {
    file_->setObjectName(QStringLiteral("underlayFileLabel"));
    file_->setWordWrap(true);
    showCorrected_->setObjectName(QStringLiteral("underlayShowCorrectedBox"));
    showCorrected_->setToolTip(QStringLiteral("Show the image with the background correction "
                                              "matching uses, rather than as recorded"));
    dynamic_->setObjectName(QStringLiteral("dynamicBackgroundBox"));
    dynamic_->setToolTip(QStringLiteral("Dynamic background: the pattern divided by or less a "
                                        "strongly blurred copy of itself"));
    dynamic_->addItems(
        {QStringLiteral("Divide"), QStringLiteral("Subtract"), QStringLiteral("None")});
    staticLabel_->setObjectName(QStringLiteral("staticBackgroundLabel"));
    staticChoose_->setObjectName(QStringLiteral("staticBackgroundButton"));
    staticChoose_->setToolTip(QStringLiteral("The detector's picture of no pattern, an image "
                                             "file of the pattern's size, subtracted first"));
    staticNone_->setObjectName(QStringLiteral("noStaticBackgroundButton"));
    phases_->setObjectName(QStringLiteral("phaseList"));
    phases_->setToolTip(QStringLiteral("Index tries every phase and names the best"));
    phases_->setMaximumHeight(72);
    addPhase_->setObjectName(QStringLiteral("addPhaseButton"));
    removePhase_->setObjectName(QStringLiteral("removePhaseButton"));
    centreX_->setObjectName(QStringLiteral("underlayCentreXEdit"));
    centreY_->setObjectName(QStringLiteral("underlayCentreYEdit"));
    static const std::array<const char*, 3> kFilmNames{
        "underlayFilmWidthEdit", "underlayFilmHeightEdit", "underlayDistanceEdit"};
    static const std::array<const char*, 3> kFilmTips{"Film (detector) width in mm",
                                                      "Film (detector) height in mm",
                                                      "Film (detector) distance in mm"};
    for (std::size_t i = 0; i < 3; ++i) {
        film_[i] = new QLineEdit(this);
        film_[i]->setObjectName(QString::fromLatin1(kFilmNames[i]));
        film_[i]->setToolTip(QString::fromLatin1(kFilmTips[i]));
    }
    centreZ_->setObjectName(QStringLiteral("underlayCentreZEdit"));
    centreZ_->setToolTip(QStringLiteral("Pattern centre: the distance in the convention's unit "
                                        "(it moves the film distance)"));
    convention_->setObjectName(QStringLiteral("underlayConventionBox"));
    convention_->setToolTip(QStringLiteral("The convention the pattern centre is stated in"));
    for (int i = 0; i < kCentreConventionCount; ++i)
        convention_->addItem(
            QString::fromLatin1(centreConventionTitle(static_cast<CentreConvention>(i))));
    frame_->setObjectName(QStringLiteral("eulerFrameBox"));
    frame_->setToolTip(QStringLiteral("The frame the Euler angles are shown in"));
    frame_->addItem(QStringLiteral("By the work"));
    for (int i = 0; i < kEulerFrameCount; ++i)
        frame_->addItem(QString::fromLatin1(eulerFrameTitle(static_cast<EulerFrame>(i))));
    static const std::array<const char*, 4> kDetectorNames{
        "underlaySpecimenTiltEdit", "underlayDetectorTiltEdit", "underlayPixelSizeEdit",
        "underlayBinningEdit"};
    static const std::array<const char*, 4> kDetectorTips{
        "Specimen tilt from horizontal in degrees (70 for EBSD work when left empty)",
        "Detector tilt (elevation) in degrees", "Unbinned detector pixel in um (EMsoft)",
        "Detector binning (EMsoft)"};
    for (std::size_t i = 0; i < 4; ++i) {
        detector_[i] = new QLineEdit(this);
        detector_[i]->setObjectName(QString::fromLatin1(kDetectorNames[i]));
        detector_[i]->setToolTip(QString::fromLatin1(kDetectorTips[i]));
    }
    remove_ = new QPushButton(QStringLiteral("Remove Image"), this);
    remove_->setObjectName(QStringLiteral("removeUnderlayButton"));
    centreX_->setToolTip(
        QStringLiteral("Pattern centre: fraction of the image width from its left"));
    centreY_->setToolTip(
        QStringLiteral("Pattern centre: fraction of the image height from its top"));

    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Opacity"), opacity_);
    form->addRow(QStringLiteral("Contrast"), contrast_);
    form->addRow(QStringLiteral("Brightness"), brightness_);
    form->addRow(showCorrected_);
    // The file's name on a row of its own, where a long one is cut rather than widening the pane
    // (its tooltip holds the whole path).
    staticLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    form->addRow(QStringLiteral("Static bg."), staticLabel_);
    auto* background = new QHBoxLayout;
    background->addWidget(staticChoose_);
    background->addWidget(staticNone_);
    form->addRow(QString(), background);
    form->addRow(QStringLiteral("Dynamic bg."), dynamic_);
    form->addRow(QStringLiteral("Convention"), convention_);
    auto* centre = new QHBoxLayout;
    centre->addWidget(centreX_);
    centre->addWidget(centreY_);
    centre->addWidget(centreZ_);
    form->addRow(QStringLiteral("Pattern centre"), centre);
    auto* tilts = new QHBoxLayout;
    tilts->addWidget(detector_[0]);
    tilts->addWidget(detector_[1]);
    form->addRow(QStringLiteral("Tilts σ θ [°]"), tilts);
    auto* pixel = new QHBoxLayout;
    pixel->addWidget(detector_[2]);
    pixel->addWidget(detector_[3]);
    form->addRow(QStringLiteral("Pixel [µm], bin"), pixel);
    auto* size = new QHBoxLayout;
    size->addWidget(film_[0]);
    size->addWidget(film_[1]);
    form->addRow(QStringLiteral("Film [mm]"), size);
    form->addRow(QStringLiteral("Distance [mm]"), film_[2]);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(file_);
    layout->addLayout(form);
    layout->addWidget(remove_);
    layout->addWidget(new QLabel(QStringLiteral("Phases"), this));
    layout->addWidget(phases_);
    auto* phaseButtons = new QHBoxLayout;
    phaseButtons->addWidget(addPhase_);
    phaseButtons->addWidget(removePhase_);
    layout->addLayout(phaseButtons);
    auto* frameRow = new QFormLayout;
    frameRow->setContentsMargins(0, 0, 0, 0);
    frameRow->addRow(QStringLiteral("Euler frame"), frame_);
    layout->addLayout(frameRow);

    for (QSlider* s : {opacity_, contrast_, brightness_})
        connect(s, &QSlider::valueChanged, this, &PatternImagePane::announce);
    connect(showCorrected_, &QCheckBox::toggled, this, &PatternImagePane::announce);
    connect(dynamic_, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_) emit dynamicChosen();
    });
    connect(staticChoose_, &QPushButton::clicked, this,
            &PatternImagePane::staticBackgroundRequested);
    connect(staticNone_, &QPushButton::clicked, this, &PatternImagePane::staticBackgroundCleared);
    connect(addPhase_, &QPushButton::clicked, this, &PatternImagePane::addPhaseRequested);
    connect(removePhase_, &QPushButton::clicked, this, [this] {
        if (phases_->currentRow() > 0) emit removePhaseRequested(phases_->currentRow() - 1);
    });
    connect(phases_, &QListWidget::currentRowChanged, this,
            [this](int row) { removePhase_->setEnabled(row > 0); });
    for (QLineEdit* e : {centreX_, centreY_, centreZ_})
        connect(e, &QLineEdit::editingFinished, this, [this] {
            if (!showing_) emit centreEdited();
        });
    for (QLineEdit* e : detector_)
        connect(e, &QLineEdit::editingFinished, this, [this] {
            if (!showing_) emit detectorEdited();
        });
    connect(convention_, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_) emit conventionChosen();
    });
    connect(frame_, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_) emit frameChosen();
    });
    for (std::size_t i = 0; i < 3; ++i)
        connect(film_[i], &QLineEdit::editingFinished, this, [this, i] {
            if (!showing_) emit filmEdited(static_cast<int>(i), film_[i]->text());
        });
    connect(remove_, &QPushButton::clicked, this, &PatternImagePane::removeRequested);
    showUnderlay(PatternUnderlay{}, {}, {}, {}, CentreCoordinates{});
}

void PatternImagePane::announce() {
    if (!showing_) emit settingsEdited();
}

void PatternImagePane::showUnderlay(const PatternUnderlay& underlay,
                                    const std::array<std::string, 3>& film,
                                    const DetectorSetup& setup, const Detector& detector,
                                    const std::optional<CentreCoordinates>& stated,
                                    const QString& crystal) {
    showing_ = true;
    const UnderlaySettings& s = underlay.settings;
    const bool loaded = underlay.loaded();
    file_->setText(loaded ? QStringLiteral("%1 (%2 \u00d7 %3)")
                                .arg(QFileInfo(QString::fromStdString(s.path)).fileName())
                                .arg(underlay.raw.width)
                                .arg(underlay.raw.height)
                          : QStringLiteral("No image: File \u25b8 Open Pattern Image\u2026"));
    opacity_->setValue(static_cast<int>(std::lround(s.opacity * 100)));
    contrast_->setValue(contrastPosition(s.contrast));
    brightness_->setValue(static_cast<int>(std::lround(s.brightness * 100)));
    showCorrected_->setChecked(s.showCorrected);
    static const std::array<fit::DynamicCorrection, 3> kDynamic{fit::DynamicCorrection::Divide,
                                                                fit::DynamicCorrection::Subtract,
                                                                fit::DynamicCorrection::None};
    dynamic_->setCurrentIndex(static_cast<int>(
        std::find(kDynamic.begin(), kDynamic.end(), s.dynamic) - kDynamic.begin()));
    staticLabel_->setText(s.staticBackground.empty()
                              ? QStringLiteral("None")
                              : QFileInfo(QString::fromStdString(s.staticBackground)).fileName());
    staticLabel_->setToolTip(QString::fromStdString(s.staticBackground));
    const int row = phases_->currentRow();
    phases_->clear();
    phases_->addItem(crystal.isEmpty() ? QStringLiteral("(the crystal)") : crystal);
    for (const std::string& phase : s.phases) {
        phases_->addItem(QFileInfo(QString::fromStdString(phase)).fileName());
        phases_->item(phases_->count() - 1)->setToolTip(QString::fromStdString(phase));
    }
    phases_->setCurrentRow(std::clamp(row, 0, phases_->count() - 1));
    convention_->setCurrentIndex(static_cast<int>(setup.convention));
    const bool emsoft = setup.convention == CentreConvention::Emsoft ||
                        setup.convention == CentreConvention::Emsoft4;
    for (QLineEdit* e : {centreX_, centreY_, centreZ_}) e->clear();
    if (stated) {
        // Pixels and micrometres need fewer decimals than fractions.
        auto text = [&](double v) {
            return QString::fromStdString(formatNumber(v, emsoft ? "0.##" : "0.#####"));
        };
        centreX_->setText(text(stated->x));
        centreY_->setText(text(stated->y));
        centreZ_->setText(text(stated->z));
    }
    detector_[0]->setText(setup.specimenTilt ? numberText(*setup.specimenTilt) : QString());
    detector_[0]->setPlaceholderText(numberText(detector.tilts.specimen));
    detector_[1]->setText(numberText(setup.detectorTilt));
    detector_[2]->setText(setup.pixelSize > 0 ? numberText(setup.pixelSize) : QString());
    detector_[3]->setText(QString::number(setup.binning));
    frame_->setCurrentIndex(setup.frame ? static_cast<int>(*setup.frame) + 1 : 0);
    for (std::size_t i = 0; i < 3; ++i) film_[i]->setText(QString::fromStdString(film[i]));
    for (QWidget* w : std::initializer_list<QWidget*>{
             opacity_, contrast_, brightness_, showCorrected_, dynamic_, staticChoose_, staticNone_,
             centreX_, centreY_, centreZ_, convention_, detector_[0], detector_[1], film_[0],
             film_[1], film_[2], remove_})
        w->setEnabled(loaded);
    staticNone_->setEnabled(loaded && !s.staticBackground.empty());
    removePhase_->setEnabled(phases_->currentRow() > 0);
    detector_[2]->setEnabled(loaded && emsoft);
    detector_[3]->setEnabled(loaded && emsoft);
    showing_ = false;
}

void PatternImagePane::showFilm(const std::array<std::string, 3>& film) {
    showing_ = true;
    for (std::size_t i = 0; i < 3; ++i) {
        const QString text = QString::fromStdString(film[i]);
        if (!film_[i]->hasFocus() && film_[i]->text() != text) film_[i]->setText(text);
    }
    showing_ = false;
}

UnderlaySettings PatternImagePane::settings(const UnderlaySettings& current) const {
    UnderlaySettings s = current;
    s.opacity = static_cast<float>(opacity_->value()) / 100.0f;
    s.contrast = contrastOf(contrast_->value());
    s.brightness = static_cast<float>(brightness_->value()) / 100.0f;
    s.showCorrected = showCorrected_->isChecked();
    return clampedUnderlaySettings(s);
}

namespace {

// A comma reads as the decimal point, as in every field of the window; a text that is no number
// is NaN, which the controller refuses naming its field.
double numberIn(const QLineEdit* e) {
    bool ok = false;
    const double v =
        QString(e->text()).replace(QLatin1Char(','), QLatin1Char('.')).trimmed().toDouble(&ok);
    return ok ? v : std::nan("");
}

} // namespace

DetectorSetup PatternImagePane::setup(const DetectorSetup& current) const {
    DetectorSetup s = current;
    s.convention = static_cast<CentreConvention>(std::max(0, convention_->currentIndex()));
    if (detector_[0]->text().trimmed().isEmpty())
        s.specimenTilt.reset();
    else
        s.specimenTilt = numberIn(detector_[0]);
    s.detectorTilt = detector_[1]->text().trimmed().isEmpty() ? 0 : numberIn(detector_[1]);
    s.pixelSize = detector_[2]->text().trimmed().isEmpty() ? 0 : numberIn(detector_[2]);
    const double binning = numberIn(detector_[3]);
    s.binning = std::isfinite(binning) && binning >= 1 && binning < 1e6
                    ? static_cast<int>(std::lround(binning))
                    : 0;
    return s;
}

CentreCoordinates PatternImagePane::statedCentre() const {
    return {numberIn(centreX_), numberIn(centreY_), numberIn(centreZ_)};
}

std::optional<EulerFrame> PatternImagePane::frame() const {
    const int i = frame_->currentIndex();
    if (i <= 0) return std::nullopt;
    return static_cast<EulerFrame>(i - 1);
}

fit::DynamicCorrection PatternImagePane::dynamic() const {
    switch (dynamic_->currentIndex()) {
    case 1:
        return fit::DynamicCorrection::Subtract;
    case 2:
        return fit::DynamicCorrection::None;
    default:
        return fit::DynamicCorrection::Divide;
    }
}

IndexResultsDialog::IndexResultsDialog(const std::vector<app::IndexAnswer>& found,
                                       const OrientationFrame& frame, QWidget* parent)
    : QDialog(parent), found_(found), list_(new QListWidget(this)) {
    setObjectName(QStringLiteral("indexResultsDialog"));
    setWindowTitle(QStringLiteral("Index Pattern"));
    list_->setObjectName(QStringLiteral("indexSolutions"));
    for (const app::IndexAnswer& a : found_) {
        const fit::FoundOrientation& f = a.found;
        list_->addItem(
            QStringLiteral("%1   %2   score %3   %4 bands   %5\u00b0")
                .arg(QString::fromStdString(a.phaseName),
                     QString::fromStdString(
                         eulerReadoutText(foundEulerAngles(f, a.cell, frame), frame.frame)),
                     QString::fromStdString(formatNumber(f.fit.score, "0.000")))
                .arg(f.matchedBands)
                .arg(QString::fromStdString(formatNumber(f.meanDeviationDegrees, "0.00"))));
    }
    list_->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Orientations found, best first (phase, score, "
                                                "bands matched, their mean deviation):"),
                                 this));
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(560, 200);
}

std::optional<app::IndexAnswer> IndexResultsDialog::chosen() const {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(found_.size())) return std::nullopt;
    return found_[static_cast<std::size_t>(row)];
}

} // namespace tavrel::ui
