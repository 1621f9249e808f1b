// Reads run on a worker thread so that the windows keep repainting: one read at a time over the
// whole program. The worker reads into a record of its own that borrows the document's picture;
// the results are handed to the document on the interface thread when the read is done. The
// runner holds the document until then, so closing its windows meanwhile frees nothing the
// worker uses.
#ifndef ZR_DEMO_APP_READ_RUNNER_HPP
#define ZR_DEMO_APP_READ_RUNNER_HPP

#include <QFutureWatcher>
#include <QObject>
#include <memory>

#include "logic/settings.hpp"

namespace zr::demo::app {

class DocHandle;

class ReadRunner : public QObject {
    Q_OBJECT
  public:
    explicit ReadRunner(QObject *parent = nullptr);
    // Waits for a running read: the worker must not outlive the picture it reads.
    ~ReadRunner() override;
    ReadRunner(const ReadRunner &) = delete;
    ReadRunner &operator=(const ReadRunner &) = delete;

    bool running() const { return pending_ != nullptr; }
    // The document being read; null when no read runs.
    DocHandle *document() const;
    // Starts reading the document's picture with the settings. False, and nothing started, while
    // another read runs.
    bool start(const std::shared_ptr<DocHandle> &doc, const ReadSettings &settings);
    // Blocks until the running read is done and its results are handed over (no-op when idle).
    void waitForFinished();

  signals:
    // The results are in the document, and its views have been told.
    void finished(DocHandle *doc, ReaderKind kind, quint16 status);

  private:
    struct Pending;
    void handOver();

    std::unique_ptr<Pending> pending_;
    QFutureWatcher<quint16> watcher_;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_READ_RUNNER_HPP
