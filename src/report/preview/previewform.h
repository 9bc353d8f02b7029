#pragma once

#include "report/model/report.h"
#include "report/preview/pagesetup.h"
#include "report/preview/previewlayout.h"
#include "report/preview/previewsearch.h"

#include <QDialog>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QMenu;
class QScrollBar;
class QSpinBox;
class QToolBar;
class QToolButton;
class QAction;
class QActionGroup;
class TfrEMFPages;
class TfrEngine;
class TfrPreparedPages;
class TfrReport;
class TfrPBox;

// The preview window: shows a report's prepared pages side by side and below
// one another at a chosen zoom, scrolls and pages through them (keys, wheel,
// dragging, the tool bar's page buttons and page field), zooms (the zoom box,
// zoom in and out, Ctrl + wheel about the mouse), searches their texts,
// follows links, opens and saves prepared-report files, prints and exports
// through the engine's preview services, and adds and removes pages. While it is open it holds the report's prepared pages (the report
// holds an empty list); they go back to the report when it closes. The report
// must outlive the window.
class TfrPreviewForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrPreviewForm(TfrReport& report, QWidget* parent = nullptr);
    ~TfrPreviewForm() override;

    // Lays the pages out at the report's initial zoom from page 1. Call once
    // the window has its size (show does it).
    void start();

    TfrEMFPages& pages() { return *m_pages; }
    int pageCount() const;
    int currentPage() const { return m_current; } // 0-based
    void setCurrentPage(int index);
    double zoom() const { return m_zoom; }
    TfrZoomMode zoomMode() const { return m_mode; }
    // A zoom chosen in the zoom box or menu: the point in the centre of the
    // view stays there.
    void setZoom(TfrZoomMode mode, int percent = 100);
    // One zoom step in (`direction` > 0) or out about a point of the painting
    // box, as Ctrl + wheel does under the mouse.
    void zoomAt(int direction, QPoint boxPoint);
    const TfrPreviewLayout& layout() const { return m_layout; }
    QPoint scrollPosition() const;
    QString pageLabelText() const;
    QString infoLabelText() const;
    QWidget* paintBox() const;
    QMenu* zoomMenu() const { return m_menu; }
    QComboBox* zoomBox() const { return m_zoomBox; }
    QSpinBox* pageField() const { return m_pageField; }
    QAction* action(const QString& objectName) const;

    // The commands behind the buttons and menus, without their file dialogs.
    // File and export errors are told to the user; the window keeps its pages.
    bool openFile(const QString& fileName);
    bool saveFile(const QString& fileName, int filterIndex = 0);
    // The file name the save dialog proposes for an entry of its list (0:
    // the prepared-report file): the report's name with the entry's
    // extension; empty for a report of no file.
    QString proposedFileName(int filterIndex) const;
    // What the page set-up dialog's OK does: the printer named there (when
    // it is another one) is set up for the report, then the report pages
    // take the margins and paper and the report is built anew; pages read
    // from a file, which cannot be built again, take the paper themselves.
    // The pages are shown again from page 1.
    void applyPageSetup(const TfrPageSetup& setup, const QString& printerName = {});
    // Find with the dialog's choices, then F3 for the next hit. The hit is
    // highlighted and scrolled into view; when there is none (more), the
    // user is told "Текст не найден" and the old highlight goes.
    bool find(const QString& text, bool caseSensitive, bool fromStart);
    bool findNext();
    const TfrTextSearch& search() const { return m_search; }
    // A new empty page before the current one; removing asks first and never
    // removes the only page.
    void addPage();
    bool removePage();
    // Edits the current page in the designer (when it installed its page editor).
    void editPage();
    bool canEditPage() const;
    bool canRemovePage() const { return pageCount() > 1; }
    // A click (or hover) at a point of the painting box, as the mouse does.
    void clickAt(QPoint boxPoint);
    void hoverAt(QPoint boxPoint);

    // How links leave the program (the platform's shell unless replaced).
    void setLinkOpener(std::function<bool(const QUrl&)> opener);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    friend class TfrPBox;
    void buildToolBar();
    void buildMenu();
    void relayout();
    void layoutPages();
    void zoomAbout(TfrZoomMode mode, int percent, QPoint anchor);
    void applyTypedZoom();
    void goToTypedPage();
    bool changePrinter(int previousPrinter, int chosenPrinter);
    void showLentPages();
    void scrollToCurrent();
    void onScroll();
    void updateLabels();
    void updateZoomMarks();
    void showZoomMenu();
    void exitPreview();
    void openDialog();
    void saveDialog();
    void printPages();
    void findDialog();
    void pageSetup();
    void showHelp();
    void showPages(std::shared_ptr<TfrEMFPages> pages);
    void takePages();
    void lendPages();
    void endLending();
    void paintPages(QPainter& painter, const QRect& region);
    int pageAt(QPoint boxPoint) const;
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void mouseDoubleClicked(QMouseEvent* event);
    void wheelTurned(QWheelEvent* event);
    void savePlacement();
    void restorePlacement();
    void showError(const QString& text);
    bool hasPrinters() const;

    TfrReport& m_report;
    TfrEngine& m_engine;
    // The pages shown, taken over from the report (which holds an empty list
    // meanwhile): its list when the window opened, then every list with pages
    // it is given while the window is open (a rebuild, a file opened). They
    // are lent back to the report while it prints or exports them.
    std::shared_ptr<TfrEMFPages> m_pages;
    std::shared_ptr<TfrPagesWatcher> m_watcher;
    bool m_lent = false;
    std::function<bool(const QUrl&)> m_openLink;

    int m_current = 0;
    double m_zoom = 1.0;
    TfrZoomMode m_mode = TfrZoomMode::PageWidth;
    TfrPreviewLayout m_layout;
    TfrTextSearch m_search;
    bool m_started = false;
    bool m_dragging = false;
    QPoint m_dragFrom;
    bool m_placementSaved = false;

    QToolBar* m_toolBar = nullptr;
    QComboBox* m_zoomBox = nullptr;
    QSpinBox* m_pageField = nullptr;
    TfrPBox* m_box = nullptr;
    QScrollBar* m_vbar = nullptr;
    QScrollBar* m_hbar = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_infoLabel = nullptr;
    QMenu* m_menu = nullptr;
    QActionGroup* m_zoomGroup = nullptr;
};

// Shows the report's prepared pages in a preview window: modal unless the
// report's ModalPreview is off (the window then frees itself when closed;
// the report must outlive it). Nothing happens without pages.
void frShowPreview(TfrReport& report, QWidget* parent = nullptr);

// Makes TfrReport::showPreparedReport (and so showReport) of the engine's
// reports open the preview window over `parent`, printing through the print
// dialog and exporting through the engine's export filters (unless other
// preview services were installed before).
void frInstallPreview(TfrEngine& engine, QWidget* parent = nullptr);
