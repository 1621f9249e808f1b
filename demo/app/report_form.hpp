// The report form beside the image: the last operation, its run time and return code, the number
// of symbols, the "Barcode no:" list, the selected symbol's details and the image information.
#ifndef ZR_DEMO_APP_REPORT_FORM_HPP
#define ZR_DEMO_APP_REPORT_FORM_HPP

#include <QScrollArea>
#include <QStringList>
#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;

namespace zr::demo::app {

class DocHandle;

class ReportForm : public QScrollArea {
    Q_OBJECT
  public:
    explicit ReportForm(DocHandle *doc, QWidget *parent = nullptr);

    QComboBox *symbolList() const { return list_; }
    // The texts of the fields now shown, top to bottom (hidden fields left out).
    QStringList visibleTexts() const;
    // The detail fields now shown.
    QStringList detailTexts() const;

  private:
    void onUpdated(int hint);
    void onSymbolChosen(int index);
    void showDetails();
    static void SetLines(std::vector<QLabel *> &labels, const std::vector<std::string> &lines);
    void setDetailLines(const std::vector<std::string> &lines);

    DocHandle *doc_;
    std::vector<QLabel *> head_;  // operation, run time, return code, symbols found
    QLabel *listLabel_;
    QComboBox *list_;
    std::vector<QLabel *> details_;
    // Beside each detail label, a text box that takes its place for long or multi-line texts.
    std::vector<QPlainTextEdit *> detailBoxes_;
    std::vector<QLabel *> info_;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_REPORT_FORM_HPP
