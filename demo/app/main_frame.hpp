// The main window: the document area, the menus, the toolbar and the status bar with its four
// panes. It holds the reading settings for the whole program.
#ifndef ZR_DEMO_APP_MAIN_FRAME_HPP
#define ZR_DEMO_APP_MAIN_FRAME_HPP

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "logic/new_image.hpp"
#include "logic/settings.hpp"
#include "recent_files.hpp"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QToolBar;

namespace zr::demo::app {

class ChildFrame;
class DocHandle;
class ImageView;
class ReadRunner;

// The status bar's panes, left to right.
enum StatusPane : int { kPaneReadout = 0, kPaneKind, kPaneZoom, kPaneSize, kPaneArea, kPaneCount };

class MainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainFrame(QWidget *parent = nullptr);
    ~MainFrame() override;

    ReadSettings &settings() { return settings_; }
    QMdiArea *mdiArea() const { return mdi_; }
    ChildFrame *activeChild() const;
    DocHandle *activeDoc() const;
    QLabel *statusPane(int i) const { return panes_[static_cast<size_t>(i)]; }
    // The message now shown over the first pane (menu prompts, refusals, restored settings).
    QString statusMessage() const;
    QToolBar *toolBar() const { return toolBar_; }
    QAction *action(const QString &text) const;  // a menu item by its text, e.g. "&Read"
    QMenu *recentFilesAnchorMenu() const { return fileMenu_; }

    // How messages reach the user; a message box unless replaced (tests record them instead).
    std::function<void(const QString &)> showMessage;

    // Opens a file in a new document window; shows the failure message and makes no window when
    // the file cannot be opened.
    bool openFile(const QString &path);
    // Creates a document with a new blank image; false (and no window) when it cannot be made.
    bool newImage(const NewImageRequest &request);
    bool saveDocument(DocHandle *doc, const QString &path);
    // Starts the reader of the settings over the active document on a worker thread; refused
    // (with a status-bar message) while another read runs.
    void read();
    bool readRunning() const;
    // Blocks until a running read is done and shown.
    void waitForRead();
    void setZoom(double zoom);
    void fitWindow();
    void applySettings(const ReadSettings &settings);
    // A rubber-band selection in the active view: kept to the picture, it becomes the search area
    // and a read runs. A selection with no picture pixel in it reads nothing and says so.
    void selectArea(const QRect &rect, QPoint scroll);
    // Barcode > Whole Picture: reads search the whole picture again.
    void wholePicture();
    ChildFrame *newWindow(const std::shared_ptr<DocHandle> &doc);
    // Prints the active document's picture, as large as the page allows, with its outlines.
    void paintForPrinter(QPrinter *printer);

  protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    // main_menus.cpp
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void updateMenus();
    void updateSymbolChecks();
    void updateRecentMenu();
    void updateStatusPanes();
    void updateWindowMenu(const QObject *gone = nullptr);
    // The settings changed: menus, panes and every view's search-area frame follow.
    void settingsChanged();

    // main_windows.cpp
    void placeNewWindow(QMdiSubWindow *window);
    void onCascade();

    // main_frame.cpp commands
    void onNew();
    void onOpen();
    void onClose();
    void onSave();
    void onSaveAs();
    void onPrint();
    void onPrintPreview();
    void onPrintSetup();
    void onSettings();
    void onNewWindow();
    void onArrangeIcons();
    void onHelpTopics();
    void onAbout();
    void onSplit();

    void readDocument(const std::shared_ptr<DocHandle> &doc);
    std::shared_ptr<DocHandle> sharedDocOf(const ImageView *view) const;
    void showStatus(const QString &text);
    void retitle(DocHandle *doc, const QObject *gone = nullptr);

    QMdiArea *mdi_ = nullptr;
    QToolBar *toolBar_ = nullptr;
    std::array<QLabel *, kPaneCount> panes_{};
    QMenu *fileMenu_ = nullptr;
    QMenu *viewMenu_ = nullptr;
    QMenu *barcodeMenu_ = nullptr;
    QMenu *symbolsMenu_ = nullptr;
    QMenu *zoomMenu_ = nullptr;
    QMenu *windowMenu_ = nullptr;
    QMenu *helpMenu_ = nullptr;
    QAction *exitAction_ = nullptr;
    QAction *recentSeparator_ = nullptr;  // before the recent files
    QAction *recentEnd_ = nullptr;        // after them, before Exit
    QList<QAction *> recentActions_;
    QList<QAction *> documentActions_;    // shown only while a document is open
    QList<QAction *> symbolActions_;      // 18 linear types, then the other four readers
    QAction *windowListStart_ = nullptr;  // the separator before the open windows
    QList<QAction *> windowActions_;      // one per open window
    ReadRunner *reads_ = nullptr;
    ReadSettings settings_;
    RecentFiles recent_;
    int untitled_ = 0;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_MAIN_FRAME_HPP
