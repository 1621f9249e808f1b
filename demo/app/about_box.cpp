#include "about_box.hpp"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "logic/version_report.hpp"

namespace zr::demo::app {

AboutBox::AboutBox(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About ZrDemo"));
    auto *name = new QLabel(QStringLiteral("ZrDemo Version 2.0"));
    auto *maker = new QLabel(QStringLiteral("Tavrel Software Barcode Demo"));

    QString report;
    for (const std::string &line : VersionReport()) report += QString::fromStdString(line);
    versions_ = new QPlainTextEdit(report);
    versions_->setReadOnly(true);
    versions_->setLineWrapMode(QPlainTextEdit::NoWrap);
    const QFontMetrics metrics(versions_->font());
    versions_->setMinimumSize(metrics.horizontalAdvance(QStringLiteral("ZrMicroQR version: 00.00  ")) + 24,
                              metrics.lineSpacing() * 7 + 12);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(maker);
    layout->addWidget(versions_);
    layout->addWidget(buttons);
}

}  // namespace zr::demo::app
