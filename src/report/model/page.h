#pragma once

#include "report/model/objects.h"
#include "report/model/printer.h"

#include <memory>
#include <vector>

class TfrEngine;
class TfrReport;

// Page margins in report pixels; 0 on a side means the printer's unprintable
// offset there.
struct TfrMargins {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TfrMargins&) const = default;
};

// A report page or a dialog form, owning its objects in z-order.
class TfrPage : public TfrObject {
public:
    // A page of a report takes its paper through the engine's printer at once.
    TfrPage(TfrReport& report, std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
            std::int32_t orientation);
    // A page of prepared output, of no report: its paper fields and printer
    // geometry are what the prepared page recorded; the printer is not asked.
    TfrPage(TfrEngine& engine, const TfrPrnInfo& info);
    ~TfrPage() override;

    // The report the page belongs to; none for a page of prepared output.
    TfrReport* report() const { return m_report; }
    TfrEngine& engine() const { return m_engine; }

    // Paper: size code, width and height in tenths of a millimetre.
    std::int32_t pSize = frPaperA4;
    std::int32_t pWidth = 0, pHeight = 0;
    TfrMargins margins;
    std::uint8_t orientation = poPortrait;
    std::int32_t bin = frPageDefaultBin;
    bool printToPrevPage = false;
    bool useMargins = true;
    std::int32_t columns = 0; // 0 and 1 both mean one column
    std::int32_t columnGap = 0;
    std::uint8_t pageType = ptReport;
    QString name;
    std::uint8_t borderStyle = bsDialog;
    QString caption = QStringLiteral("Form");
    TfrColor color = clBtnFace;
    std::int32_t formLeft = 220, formTop = 120, formWidth = 380, formHeight = 300;
    std::uint8_t position = poScreenCenter;
    QStringList script;
    bool visible = true;
    // Printer geometry of the page's paper, refreshed by changePaper.
    TfrPrnInfo prnInfo;

    bool stretchToPrintable() const { return !useMargins; }
    void setStretchToPrintable(bool on) { useMargins = !on; }

    // Paper width and height in report pixels (the Width and Height properties
    // of a report page).
    std::int32_t paperWidthPixels() const;
    std::int32_t paperHeightPixels() const;

    // Effective printable edges while building, in report pixels.
    std::int32_t printableLeft() const;
    std::int32_t printableTop() const;
    std::int32_t printableRight() const;
    // The builder passes the page footer's height.
    std::int32_t printableBottom(std::int32_t footerHeight = 0) const;
    // (printable width - (Columns - 1) * ColumnGap) / Columns.
    std::int32_t columnWidth() const;

    // Asks the printer to adopt the paper; a refused paper becomes a custom size
    // with the same width, height and orientation. The page then takes the
    // printer's size, width, height and orientation, and its bin becomes 0xFFFF
    // when the requested bin's low 16 bits are 0xFFFF, else the printer's bin.
    void changePaper(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
                     std::int32_t orientation);

    // Objects.
    int count() const { return static_cast<int>(m_objects.size()); }
    TfrView* object(int index) const { return m_objects.at(static_cast<std::size_t>(index)).get(); }
    const std::vector<std::unique_ptr<TfrView>>& objects() const { return m_objects; }
    // Appends an object (the page takes ownership) and returns it. An object
    // belongs to one page at a time: take() gives it back.
    TfrView* add(std::unique_ptr<TfrView> view);
    TfrView* insert(int index, std::unique_ptr<TfrView> view);
    // Removes an object without freeing it (designer: cut, move between pages).
    std::unique_ptr<TfrView> take(int index);
    int indexOf(const TfrView* view) const;
    TfrView* findObject(const QString& name) const;
    void deleteObject(int index);
    void clear();
    int findObjectById(std::int32_t id) const;

    const TfrPropTable& properties() const override { return classProperties(); }
    static const TfrPropTable& classProperties();

private:
    // The edges the build under way uses for this page, if any.
    const TfrMargins* buildEdges() const;

    TfrEngine& m_engine;
    TfrReport* m_report = nullptr;
    std::vector<std::unique_ptr<TfrView>> m_objects;
};

// The report's page list.
class TfrPages {
public:
    explicit TfrPages(TfrReport& report) : m_report(report) {}
    TfrPages(const TfrPages&) = delete;
    TfrPages& operator=(const TfrPages&) = delete;

    int count() const { return static_cast<int>(m_pages.size()); }
    TfrPage* page(int index) const { return m_pages.at(static_cast<std::size_t>(index)).get(); }
    TfrPage* operator[](int index) const { return page(index); }
    // Appends a page on the printer's default paper (width 0, height 0, bin -1,
    // portrait); returns its index.
    int add();
    void remove(int index);
    void move(int from, int to);
    void clear();
    int indexOf(const TfrPage* page) const;

private:
    TfrReport& m_report;
    std::vector<std::unique_ptr<TfrPage>> m_pages;
};
