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
    // Runs the reader of the settings over the active document.
    void read();
    void setZoom(double zoom);
    void fitWindow();
    void applySettings(const ReadSettings &settings);
    // A rubber-band selection in the active view: becomes the search area, then a read runs.
    void selectArea(const QRect &rect, QPoint scroll);
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

    void readDocument(DocHandle *doc);
    void retitle(DocHandle *doc, const QObject *gone = nullptr);

    QMdiArea *mdi_ = nullptr;
    QToolBar *toolBar_ = nullptr;
    std::array<QLabel *, 4> panes_{};
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
    QList<QAction *> documentActions_;  // shown only while a document is open
    QList<QAction *> symbolActions_;    // 18 linear types, then the other four readers
    ReadSettings settings_;
    RecentFiles recent_;
    int untitled_ = 0;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_MAIN_FRAME_HPP
