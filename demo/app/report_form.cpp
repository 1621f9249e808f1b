#include "report_form.hpp"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <string>

#include "display_text.hpp"
#include "doc_handle.hpp"
#include "logic/read.hpp"
#include "logic/report.hpp"
#include "logic/shapes.hpp"

namespace zr::demo::app {
namespace {

// Enough fields for the longest report of each part.
constexpr int kHeadFields = 4;
constexpr int kDetailFields = 8;
constexpr int kInfoFields = 7;
constexpr int kMinimumWidth = 180;
// Longer texts, and texts of several lines, go into a text box that wraps anywhere.
constexpr qsizetype kLongText = 100;
constexpr int kTextBoxLines = 8;

bool IsReadHint(int hint) {
    return hint >= kHintFirstRead && hint < kHintFirstRead + kReaderKindCount;
}

QLabel *NewField(QVBoxLayout *layout) {
    auto *label = new QLabel;
    label->setTextFormat(Qt::PlainText);  // decoded data is never markup
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    label->hide();
    layout->addWidget(label);
    return label;
}

QPlainTextEdit *NewTextBox(QVBoxLayout *layout) {
    auto *box = new QPlainTextEdit;
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setMaximumHeight(box->fontMetrics().lineSpacing() * kTextBoxLines + 12);
    box->hide();
    layout->addWidget(box);
    return box;
}

QStringList ShownTexts(const std::vector<QLabel *> &labels) {
    QStringList texts;
    for (const QLabel *label : labels) {
        if (!label->isHidden()) texts << label->text();
    }
    return texts;
}

}  // namespace

ReportForm::ReportForm(DocHandle *doc, QWidget *parent) : QScrollArea(parent), doc_(doc) {
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    for (int i = 0; i < kHeadFields; ++i) head_.push_back(NewField(layout));

    auto *listRow = new QHBoxLayout;
    listLabel_ = new QLabel(QStringLiteral("Barcode no:"));
    list_ = new QComboBox;
    list_->setMinimumContentsLength(4);
    listRow->addWidget(listLabel_);
    listRow->addWidget(list_, 1);
    layout->addLayout(listRow);
    listLabel_->hide();
    list_->hide();

    for (int i = 0; i < kDetailFields; ++i) {
        details_.push_back(NewField(layout));
        detailBoxes_.push_back(NewTextBox(layout));
    }
    auto *rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    layout->addWidget(rule);
    for (int i = 0; i < kInfoFields; ++i) info_.push_back(NewField(layout));
    layout->addStretch(1);

    setWidget(content);
    setWidgetResizable(true);
    setMinimumWidth(kMinimumWidth);
    connect(list_, QOverload<int>::of(&QComboBox::activated), this, &ReportForm::onSymbolChosen);
    connect(doc_, &DocHandle::updated, this, &ReportForm::onUpdated);
    onUpdated(kHintRedraw);
}

void ReportForm::SetLines(std::vector<QLabel *> &labels, const std::vector<std::string> &lines) {
    for (size_t i = 0; i < labels.size(); ++i) {
        const bool shown = i < lines.size();
        labels[i]->setText(shown ? DisplayText(lines[i]) : QString());
        labels[i]->setVisible(shown);
    }
}

void ReportForm::onUpdated(int hint) {
    Document &document = doc_->document;
    SetLines(head_, ReportHeadLines(document.state));

    const bool afterRead = ShowsSymbolCount(document.state.lastOperation);
    const int count = static_cast<int>(ResultShapes(document).size());
    // A read fills the list anew and selects its first entry; other refreshes keep the choice.
    if (IsReadHint(hint) || list_->count() != count) {
        const QSignalBlocker block(list_);
        list_->clear();
        for (int i = 0; i < count; ++i) list_->addItem(QString::number(i));
        if (IsReadHint(hint)) document.state.selectedIndex = 0;
    }
    if (count != 0) {
        const QSignalBlocker block(list_);
        list_->setCurrentIndex(std::clamp(document.state.selectedIndex, 0, count - 1));
    }
    listLabel_->setVisible(afterRead);
    list_->setVisible(afterRead);
    showDetails();

    if (document.image.dib != nullptr) {
        SetLines(info_, ImageInfoLines(document.image));
    } else {
        SetLines(info_, {});
    }
}

void ReportForm::showDetails() {
    const Document &document = doc_->document;
    const int index = document.state.selectedIndex;
    setDetailLines(index >= 0 ? DetailLines(document, static_cast<size_t>(index))
                              : std::vector<std::string>{});
}

void ReportForm::setDetailLines(const std::vector<std::string> &lines) {
    SetLines(details_, lines);
    for (size_t i = 0; i < details_.size(); ++i) {
        const QString text = details_[i]->text();
        const bool boxed =
            !details_[i]->isHidden() && (text.size() > kLongText || text.contains(QLatin1Char('\n')));
        detailBoxes_[i]->setPlainText(boxed ? text : QString());
        detailBoxes_[i]->setVisible(boxed);
        if (boxed) details_[i]->hide();
    }
}

void ReportForm::onSymbolChosen(int index) {
    if (index < 0) return;
    doc_->document.state.selectedIndex = index;
    doc_->UpdateAllViews(kHintRedraw);
}

QStringList ReportForm::visibleTexts() const {
    QStringList texts = ShownTexts(head_);
    if (!list_->isHidden()) texts << listLabel_->text();
    texts << detailTexts() << ShownTexts(info_);
    return texts;
}

QStringList ReportForm::detailTexts() const {
    QStringList texts;
    for (size_t i = 0; i < details_.size(); ++i) {
        if (!details_[i]->isHidden()) texts << details_[i]->text();
        if (!detailBoxes_[i]->isHidden()) texts << detailBoxes_[i]->toPlainText();
    }
    return texts;
}

}  // namespace zr::demo::app
