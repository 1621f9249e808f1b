// The "Create a new image" dialog: size in a unit, resolution per inch or centimetre, image type.
// Changing a unit converts the fields already entered.
#ifndef ZR_DEMO_APP_NEW_IMAGE_DIALOG_HPP
#define ZR_DEMO_APP_NEW_IMAGE_DIALOG_HPP

#include <QDialog>
#include <array>

#include "logic/new_image.hpp"

class QLineEdit;
class QRadioButton;

namespace zr::demo::app {

class NewImageDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NewImageDialog(QWidget *parent = nullptr);

    // The request as the fields show it; unreadable numbers count as 0.
    NewImageRequest request() const;

    QLineEdit *widthField() const { return width_; }
    QLineEdit *heightField() const { return height_; }
    QLineEdit *resolutionField() const { return resolution_; }
    QRadioButton *sizeUnitButton(SizeUnit unit) const { return sizeUnits_[static_cast<size_t>(unit)]; }
    QRadioButton *resolutionUnitButton(ResolutionUnit unit) const {
        return resolutionUnits_[static_cast<size_t>(unit)];
    }
    QRadioButton *typeButton(int i) const { return types_[static_cast<size_t>(i)]; }  // 1, 8, 24 bits

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void changeSizeUnit(SizeUnit to);
    void changeResolutionUnit(ResolutionUnit to);
    double resolutionPerInch() const;
    // A field's value: the exact number last converted into it, unless the user changed its text.
    static double FieldValue(const QLineEdit *field, double exact, const QString &shown);
    void setSize(double width, double height);
    void setResolution(double value, const QString &text);

    QLineEdit *width_;
    QLineEdit *height_;
    QLineEdit *resolution_;
    std::array<QRadioButton *, 3> sizeUnits_{};
    std::array<QRadioButton *, 2> resolutionUnits_{};
    std::array<QRadioButton *, 3> types_{};
    SizeUnit sizeUnit_ = SizeUnit::Pixels;
    ResolutionUnit resolutionUnit_ = ResolutionUnit::PerInch;
    // Exact values behind the fields, so that converting back and forth does not drift with the
    // rounding of the shown texts.
    double widthValue_ = 0;
    double heightValue_ = 0;
    double resolutionValue_ = 0;
    QString widthShown_, heightShown_, resolutionShown_;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_NEW_IMAGE_DIALOG_HPP
