#include "new_image_dialog.hpp"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "logic/format.hpp"

namespace zr::demo::app {
namespace {

constexpr const char *kSizeUnitLabels[] = {"Pixels", "Inches", "Centimeters"};
constexpr const char *kResolutionUnitLabels[] = {"Per inch", "Per centimeter"};
constexpr const char *kTypeLabels[] = {"1 bit per pixel (black and white)", "8 bits per pixel (grey)",
                                       "24 bits per pixel (colour)"};
constexpr uint16_t kTypeBits[] = {1, 8, 24};
// The width field's first characters selected when the dialog opens.
constexpr int kSelectedOnOpen = 3;

double Number(const QLineEdit *field) {
    bool ok = false;
    const double value = field->text().trimmed().toDouble(&ok);
    return ok ? value : 0.0;
}

QString Text(const std::string &text) {
    return QString::fromStdString(text);
}

}  // namespace

NewImageDialog::NewImageDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Create a new image"));
    const NewImageRequest defaults;
    width_ = new QLineEdit;
    height_ = new QLineEdit;
    resolution_ = new QLineEdit;
    setSize(defaults.width, defaults.height);
    setResolution(defaults.resolution, Text(Format("%ld", static_cast<long>(defaults.resolution))));

    auto *sizeUnitRow = new QHBoxLayout;
    auto *sizeGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        sizeUnits_[static_cast<size_t>(i)] = new QRadioButton(QString::fromLatin1(kSizeUnitLabels[i]));
        sizeGroup->addButton(sizeUnits_[static_cast<size_t>(i)], i);
        sizeUnitRow->addWidget(sizeUnits_[static_cast<size_t>(i)]);
    }
    sizeUnitButton(defaults.sizeUnit)->setChecked(true);
    auto *resolutionUnitRow = new QHBoxLayout;
    auto *resolutionGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        resolutionUnits_[static_cast<size_t>(i)] =
            new QRadioButton(QString::fromLatin1(kResolutionUnitLabels[i]));
        resolutionGroup->addButton(resolutionUnits_[static_cast<size_t>(i)], i);
        resolutionUnitRow->addWidget(resolutionUnits_[static_cast<size_t>(i)]);
    }
    resolutionUnitButton(defaults.resolutionUnit)->setChecked(true);

    auto *typeBox = new QGroupBox(QStringLiteral("Image type"));
    auto *typeLayout = new QVBoxLayout(typeBox);
    for (int i = 0; i < 3; ++i) {
        types_[static_cast<size_t>(i)] = new QRadioButton(QString::fromLatin1(kTypeLabels[i]));
        typeLayout->addWidget(types_[static_cast<size_t>(i)]);
    }
    types_[0]->setChecked(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Width:"), width_);
    form->addRow(QStringLiteral("Height:"), height_);
    form->addRow(QStringLiteral("Size unit:"), sizeUnitRow);
    form->addRow(QStringLiteral("Resolution:"), resolution_);
    form->addRow(QString(), resolutionUnitRow);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(typeBox);
    layout->addWidget(buttons);

    connect(sizeGroup, &QButtonGroup::idClicked, this,
            [this](int id) { changeSizeUnit(static_cast<SizeUnit>(id)); });
    connect(resolutionGroup, &QButtonGroup::idClicked, this,
            [this](int id) { changeResolutionUnit(static_cast<ResolutionUnit>(id)); });
    setTabOrder(width_, height_);
}

void NewImageDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    width_->setFocus();
    width_->setSelection(0, kSelectedOnOpen);
}

double NewImageDialog::FieldValue(const QLineEdit *field, double exact, const QString &shown) {
    return field->text() == shown ? exact : Number(field);
}

void NewImageDialog::setSize(double width, double height) {
    widthValue_ = width;
    heightValue_ = height;
    widthShown_ = Text(SizeFieldText(width, sizeUnit_));
    heightShown_ = Text(SizeFieldText(height, sizeUnit_));
    width_->setText(widthShown_);
    height_->setText(heightShown_);
}

void NewImageDialog::setResolution(double value, const QString &text) {
    resolutionValue_ = value;
    resolutionShown_ = text;
    resolution_->setText(text);
}

double NewImageDialog::resolutionPerInch() const {
    const double value = FieldValue(resolution_, resolutionValue_, resolutionShown_);
    return ConvertResolution(value, resolutionUnit_, ResolutionUnit::PerInch);
}

void NewImageDialog::changeSizeUnit(SizeUnit to) {
    if (to == sizeUnit_) return;
    const double dpi = resolutionPerInch();
    const double width = ConvertSize(FieldValue(width_, widthValue_, widthShown_), sizeUnit_, to, dpi);
    const double height = ConvertSize(FieldValue(height_, heightValue_, heightShown_), sizeUnit_, to, dpi);
    sizeUnit_ = to;
    setSize(width, height);
}

void NewImageDialog::changeResolutionUnit(ResolutionUnit to) {
    if (to == resolutionUnit_) return;
    const double value =
        ConvertResolution(FieldValue(resolution_, resolutionValue_, resolutionShown_), resolutionUnit_, to);
    resolutionUnit_ = to;
    setResolution(value, Text(Format("%.3f", value)));
}

NewImageRequest NewImageDialog::request() const {
    NewImageRequest request;
    request.width = FieldValue(width_, widthValue_, widthShown_);
    request.height = FieldValue(height_, heightValue_, heightShown_);
    request.sizeUnit = sizeUnit_;
    request.resolution = FieldValue(resolution_, resolutionValue_, resolutionShown_);
    request.resolutionUnit = resolutionUnit_;
    for (int i = 0; i < 3; ++i) {
        if (types_[static_cast<size_t>(i)]->isChecked()) request.bitsPerPixel = kTypeBits[i];
    }
    return request;
}

}  // namespace zr::demo::app
