// Helpers of the widget tests: symbol pictures written as BMP files, a main window whose messages
// are recorded instead of shown, and looking at the report and the image view.
#ifndef ZR_TESTS_DEMO_WIDGET_TEST_UTIL_HPP
#define ZR_TESTS_DEMO_WIDGET_TEST_UTIL_HPP

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "app/child_frame.hpp"
#include "app/doc_handle.hpp"
#include "app/image_view.hpp"
#include "app/main_frame.hpp"
#include "app/report_form.hpp"
#include "logic/settings.hpp"
#include "support/render.hpp"

// Test failures print QStrings as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace zr::demo::test {

// Writes a packed DIB as a BMP file (a 14-byte file header in front of it).
inline bool WriteBmp(const std::vector<std::uint8_t> &dib, int bitsPerPixel, const std::string &path) {
    if (dib.empty()) return false;
    const std::uint32_t palette = bitsPerPixel <= 8 ? (4u << bitsPerPixel) : 0;
    const std::uint32_t offset = 14 + 40 + palette;
    const std::uint32_t size = 14 + static_cast<std::uint32_t>(dib.size());
    std::uint8_t head[14] = {'B', 'M'};
    for (int i = 0; i < 4; ++i) {
        head[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
        head[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(head), sizeof head);
    out.write(reinterpret_cast<const char *>(dib.data()), static_cast<std::streamsize>(dib.size()));
    return static_cast<bool>(out);
}

inline bool WriteRaster(const zr::test::Raster &raster, const std::string &path, int bitsPerPixel = 8) {
    return WriteBmp(zr::test::ToDib(raster, bitsPerPixel, 300), bitsPerPixel, path);
}

// A main window on screen (offscreen platform) whose message boxes are recorded in `messages`.
struct Frame {
    app::MainFrame window;
    QStringList messages;

    Frame() {
        window.showMessage = [this](const QString &text) { messages << text; };
        window.resize(1200, 800);
        window.show();
        QApplication::processEvents();
    }
    app::ChildFrame *child() const { return window.activeChild(); }
    app::DocHandle *doc() const { return window.activeDoc(); }
    app::ReportForm *report() const { return child()->report(); }
    app::ImageView *view() const { return child()->view(); }
    int windows() const { return static_cast<int>(window.mdiArea()->subWindowList().size()); }
    QStringList reportTexts() const { return report()->visibleTexts(); }
    QStringList listEntries() const {
        QStringList entries;
        QComboBox *list = report()->symbolList();
        for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
        return entries;
    }
    // The image view's client area as drawn now.
    QImage grabView() const {
        QApplication::processEvents();
        return view()->viewport()->grab().toImage();
    }
    void read(ReaderKind kind) {
        ChooseReaderKind(window.settings(), kind);
        if (kind == ReaderKind::Linear) window.settings().linearTypes = kAllLinearTypes;
        window.read();
        settle();
    }
    // Waits for a read started on the worker thread to be shown.
    void settle() {
        window.waitForRead();
        QApplication::processEvents();
    }
};

}  // namespace zr::demo::test

#endif  // ZR_TESTS_DEMO_WIDGET_TEST_UTIL_HPP
