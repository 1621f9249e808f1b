#include "settings_dialog.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "logic/read.hpp"

namespace zr::demo::app {
namespace {

struct LinearBox {
    const char *label;
    uint32_t bit;
};

// The boxes in dialog order; the two add-on boxes come 2 digits first.
constexpr LinearBox kLinearBoxes[SettingsDialog::kLinearBoxCount] = {
    {"Industrial 2 of 5", 1},
    {"Inverted 2 of 5", 2},
    {"Interleaved 2 of 5", 4},
    {"IATA 2 of 5", 8},
    {"Matrix 2 of 5", 16},
    {"Code 39", 32},
    {"Codabar", 64},
    {"BCD Matrix", 128},
    {"Datalogic 2 of 5", 256},
    {"Code 128", 4096},
    {"EAN 128", 8192},
    {"Code 93", 16384},
    {"EAN 13", 32768},
    {"UPC Version A", 65536},
    {"EAN 8", 131072},
    {"UPC Version E", 262144},
    {"Additional 2 digits", 1048576},
    {"Additional 5 digits", 524288},
};

constexpr const char *kKindLabels[kReaderKindCount] = {"Linear symbols", "PDF417", "Data Matrix", "QR Code",
                                                       "Micro QR Code"};
constexpr const char *kUnitLabels[] = {"Pixels", "Inches", "Centimeters"};
constexpr const char *kAreaLabels[] = {"Start x:", "Start y:", "Width:", "Height:"};
constexpr const char *kOrientationLabels[] = {"Left to right", "Right to Left", "Top to bottom",
                                              "Bottom to top"};

constexpr int kMinSymbols = 1;
constexpr int kMaxSymbols = 1000;
constexpr double kMaxAreaValue = 1e7;

}  // namespace

uint32_t SettingsDialog::LinearBoxBit(int i) {
    return i >= 0 && i < kLinearBoxCount ? kLinearBoxes[i].bit : 0;
}

SettingsDialog::SettingsDialog(const ReadSettings &settings, QWidget *parent)
    : QDialog(parent), original_(settings) {
    setWindowTitle(QStringLiteral("Settings"));

    auto *kindBox = new QGroupBox(QStringLiteral("Symbol type"));
    auto *kindLayout = new QVBoxLayout(kindBox);
    auto *kindGroup = new QButtonGroup(this);
    for (int i = 0; i < kReaderKindCount; ++i) {
        auto *button = new QRadioButton(QString::fromLatin1(kKindLabels[i]));
        const auto kind = static_cast<ReaderKind>(i);
        // A reader that is not built into the program cannot be chosen.
        button->setEnabled(IsReaderBuilt(kind));
        if (!IsReaderBuilt(kind)) button->setToolTip(QStringLiteral("This reader is not built into ZrDemo"));
        kindGroup->addButton(button, i);
        kindLayout->addWidget(button);
        kinds_[static_cast<size_t>(i)] = button;
    }
    kindLayout->addStretch(1);
    kindButton(settings.readerKind)->setChecked(true);

    auto *linearBox = new QGroupBox(QStringLiteral("Linear symbols"));
    auto *linearLayout = new QGridLayout(linearBox);
    constexpr int kColumns = 3;
    for (int i = 0; i < kLinearBoxCount; ++i) {
        linear_[static_cast<size_t>(i)] = new QCheckBox(QString::fromLatin1(kLinearBoxes[i].label));
        linearLayout->addWidget(linear_[static_cast<size_t>(i)], i / kColumns, i % kColumns);
    }
    checkAll_ = new QPushButton(QStringLiteral("Check all"));
    clearAll_ = new QPushButton(QStringLiteral("Clear all"));
    linearLayout->addWidget(checkAll_, kLinearBoxCount / kColumns, 0);
    linearLayout->addWidget(clearAll_, kLinearBoxCount / kColumns, 1);
    setLinearBoxes(settings.linearTypes);
    connect(checkAll_, &QPushButton::clicked, this, [this] { setLinearBoxes(kAllLinearTypes); });
    connect(clearAll_, &QPushButton::clicked, this, [this] { setLinearBoxes(0); });

    auto *areaBox = new QGroupBox(QStringLiteral("Search area"));
    auto *areaLayout = new QGridLayout(areaBox);
    for (int i = 0; i < 3; ++i) {
        units_[static_cast<size_t>(i)] = new QRadioButton(QString::fromLatin1(kUnitLabels[i]));
        areaLayout->addWidget(units_[static_cast<size_t>(i)], 0, i);
    }
    unitButton(settings.searchUnit)->setChecked(true);
    const double values[4] = {settings.searchStart[0], settings.searchStart[1], settings.searchSize[0],
                              settings.searchSize[1]};
    for (int i = 0; i < 4; ++i) {
        auto *field = new QDoubleSpinBox;
        field->setRange(0.0, kMaxAreaValue);
        field->setDecimals(3);
        field->setValue(values[i]);
        area_[static_cast<size_t>(i)] = field;
        areaLayout->addWidget(new QLabel(QString::fromLatin1(kAreaLabels[i])), 1 + i / 2,
                              (i % 2) * 2 == 0 ? 0 : 2);
        areaLayout->addWidget(field, 1 + i / 2, (i % 2) * 2 + 1);
    }

    maxSymbols_ = new QSpinBox;
    maxSymbols_->setRange(kMinSymbols, kMaxSymbols);
    maxSymbols_->setValue(std::clamp<int>(settings.maxSymbols, kMinSymbols, kMaxSymbols));
    maxSymbols_->setToolTip(QStringLiteral("A read reports at most 255 symbols"));

    auto *colourRow = new QHBoxLayout;
    colourRow->addWidget(new QLabel(QStringLiteral("Bars Color:")));
    colours_[0] = new QCheckBox(QStringLiteral("Black"));
    colours_[1] = new QCheckBox(QStringLiteral("White"));
    for (int bit = 0; bit < 2; ++bit) {
        colours_[static_cast<size_t>(bit)]->setChecked((settings.barsColourMask >> bit) & 1);
        colourRow->addWidget(colours_[static_cast<size_t>(bit)]);
    }
    colourRow->addStretch(1);

    auto *orientationBox = new QGroupBox(QStringLiteral("Orientation"));
    auto *orientationLayout = new QGridLayout(orientationBox);
    for (int bit = 0; bit < 4; ++bit) {
        auto *box = new QCheckBox(QString::fromLatin1(kOrientationLabels[bit]));
        box->setChecked((settings.orientation >> bit) & 1);
        orientations_[static_cast<size_t>(bit)] = box;
        orientationLayout->addWidget(box, bit / 2, bit % 2);
    }

    best_ = new QCheckBox(QStringLiteral("Best recognition"));
    best_->setChecked(settings.bestRecognition == 1);
    undecoded_ = new QCheckBox(QStringLiteral("Show undecoded"));
    undecoded_->setChecked(settings.showUndecoded != 0);

    auto *maxRow = new QHBoxLayout;
    maxRow->addWidget(maxSymbols_);
    maxRow->addStretch(1);
    auto *options = new QFormLayout;
    options->addRow(QStringLiteral("Maximum symbols"), maxRow);
    options->addRow(colourRow);
    auto *flags = new QHBoxLayout;
    flags->addWidget(best_);
    flags->addWidget(undecoded_);
    flags->addStretch(1);
    options->addRow(flags);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(kindBox);
    top->addWidget(linearBox, 1);
    auto *middle = new QHBoxLayout;
    middle->addWidget(areaBox, 1);
    middle->addWidget(orientationBox);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addLayout(options);
    layout->addWidget(buttons);

    connect(kindGroup, &QButtonGroup::idToggled, this, [this](int, bool) { updateEnabled(); });
    updateEnabled();
}

void SettingsDialog::setLinearBoxes(uint32_t mask) {
    for (int i = 0; i < kLinearBoxCount; ++i)
        linear_[static_cast<size_t>(i)]->setChecked(mask & kLinearBoxes[i].bit);
}

// The linear boxes and the linear-only flags apply to the linear reader; bar colours and
// orientation to the linear and PDF417 readers.
void SettingsDialog::updateEnabled() {
    const ReaderKind kind = settings().readerKind;
    const bool linear = kind == ReaderKind::Linear;
    const bool lines = linear || kind == ReaderKind::Pdf417;
    for (QCheckBox *box : linear_) box->setEnabled(linear);
    checkAll_->setEnabled(linear);
    clearAll_->setEnabled(linear);
    best_->setEnabled(linear);
    undecoded_->setEnabled(linear);
    for (QCheckBox *box : colours_) box->setEnabled(lines);
    for (QCheckBox *box : orientations_) box->setEnabled(lines);
}

ReadSettings SettingsDialog::settings() const {
    ReadSettings settings = original_;
    for (int i = 0; i < kReaderKindCount; ++i) {
        if (kinds_[static_cast<size_t>(i)]->isChecked()) settings.readerKind = static_cast<ReaderKind>(i);
    }
    // The linear types are stored only when the linear reader is chosen.
    if (settings.readerKind == ReaderKind::Linear) {
        uint32_t mask = 0;
        for (int i = 0; i < kLinearBoxCount; ++i) {
            if (linear_[static_cast<size_t>(i)]->isChecked()) mask |= kLinearBoxes[i].bit;
        }
        settings.linearTypes = mask;
    }
    for (int i = 0; i < 3; ++i) {
        if (units_[static_cast<size_t>(i)]->isChecked()) settings.searchUnit = static_cast<SearchUnit>(i);
    }
    settings.searchStart = {area_[0]->value(), area_[1]->value()};
    settings.searchSize = {area_[2]->value(), area_[3]->value()};
    settings.maxSymbols = static_cast<uint16_t>(maxSymbols_->value());
    settings.barsColourMask =
        static_cast<uint8_t>((colours_[0]->isChecked() ? 1 : 0) | (colours_[1]->isChecked() ? 2 : 0));
    uint8_t orientation = 0;
    for (int bit = 0; bit < 4; ++bit) {
        if (orientations_[static_cast<size_t>(bit)]->isChecked())
            orientation = static_cast<uint8_t>(orientation | (1u << bit));
    }
    settings.orientation = orientation;
    settings.bestRecognition = best_->isChecked() ? 1 : 0;
    settings.showUndecoded = undecoded_->isChecked() ? 1 : 0;
    return settings;
}

}  // namespace zr::demo::app
