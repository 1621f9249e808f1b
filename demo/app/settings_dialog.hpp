// The settings dialog: edits every reading setting at once; OK keeps them all, Cancel none.
#ifndef ZR_DEMO_APP_SETTINGS_DIALOG_HPP
#define ZR_DEMO_APP_SETTINGS_DIALOG_HPP

#include <QDialog>
#include <array>

#include "logic/settings.hpp"

class QCheckBox;
class QDoubleSpinBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zr::demo::app {

class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SettingsDialog(const ReadSettings &settings, QWidget *parent = nullptr);

    // The settings as the fields show them (what OK stores).
    ReadSettings settings() const;

    static constexpr int kLinearBoxCount = 18;
    QRadioButton *kindButton(ReaderKind kind) const { return kinds_[static_cast<size_t>(kind)]; }
    QCheckBox *linearBox(int i) const { return linear_[static_cast<size_t>(i)]; }
    QPushButton *checkAllButton() const { return checkAll_; }
    QPushButton *clearAllButton() const { return clearAll_; }
    QRadioButton *unitButton(SearchUnit unit) const { return units_[static_cast<size_t>(unit)]; }
    QDoubleSpinBox *areaField(int i) const { return area_[static_cast<size_t>(i)]; }  // x, y, w, h
    QSpinBox *maxSymbolsField() const { return maxSymbols_; }
    QCheckBox *colourBox(int bit) const { return colours_[static_cast<size_t>(bit)]; }
    QCheckBox *orientationBox(int bit) const { return orientations_[static_cast<size_t>(bit)]; }
    QCheckBox *bestRecognitionBox() const { return best_; }
    QCheckBox *showUndecodedBox() const { return undecoded_; }

    // The type bit of each linear box, in the order the boxes are laid out.
    static uint32_t LinearBoxBit(int i);

  private:
    void setLinearBoxes(uint32_t mask);
    void updateEnabled();

    ReadSettings original_;
    std::array<QRadioButton *, kReaderKindCount> kinds_{};
    std::array<QCheckBox *, kLinearBoxCount> linear_{};
    QPushButton *checkAll_ = nullptr;
    QPushButton *clearAll_ = nullptr;
    std::array<QRadioButton *, 3> units_{};
    std::array<QDoubleSpinBox *, 4> area_{};
    QSpinBox *maxSymbols_ = nullptr;
    std::array<QCheckBox *, 2> colours_{};
    std::array<QCheckBox *, 4> orientations_{};
    QCheckBox *best_ = nullptr;
    QCheckBox *undecoded_ = nullptr;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_SETTINGS_DIALOG_HPP
