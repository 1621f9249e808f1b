#include "read_runner.hpp"

#include <QCursor>
#include <QGuiApplication>
#include <QtConcurrent/QtConcurrentRun>

#include "doc_handle.hpp"
#include "logic/read.hpp"

namespace zr::demo::app {

struct ReadRunner::Pending {
    std::shared_ptr<DocHandle> doc;
    ReadSettings settings;
    Document scratch;  // borrows doc's picture: its image record is reset before it is destroyed

    ~Pending() { scratch.image = ZrImage{}; }
};

ReadRunner::ReadRunner(QObject *parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<quint16>::finished, this, &ReadRunner::handOver);
}

ReadRunner::~ReadRunner() {
    watcher_.disconnect(this);
    watcher_.waitForFinished();
    if (pending_) QGuiApplication::restoreOverrideCursor();
}

DocHandle *ReadRunner::document() const {
    return pending_ ? pending_->doc.get() : nullptr;
}

bool ReadRunner::start(const std::shared_ptr<DocHandle> &doc, const ReadSettings &settings) {
    if (pending_ || doc == nullptr) return false;
    pending_ = std::make_unique<Pending>();
    pending_->doc = doc;
    pending_->settings = settings;
    pending_->scratch.image = doc->document.image;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    Pending *work = pending_.get();
    watcher_.setFuture(QtConcurrent::run([work] { return ReadSymbols(work->scratch, work->settings); }));
    return true;
}

void ReadRunner::waitForFinished() {
    if (!pending_) return;
    watcher_.waitForFinished();
    handOver();
}

void ReadRunner::handOver() {
    if (!pending_) return;  // already handed over by waitForFinished
    const std::unique_ptr<Pending> done = std::move(pending_);
    QGuiApplication::restoreOverrideCursor();
    const ReaderKind kind = done->settings.readerKind;
    const quint16 status = watcher_.result();
    MoveReadResults(done->doc->document, done->scratch, kind);
    done->doc->UpdateAllViews(RefreshHintFor(kind));
    emit finished(done->doc.get(), kind, status);
}

}  // namespace zr::demo::app
