#pragma once

#include "selection/filterrows.h"
#include "table/memtable.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class TMemTable;

// What the selection engine needs from the window that shows the selection.
// The main window implements it with its dialogs and widgets; the command-line
// program implements it without any; tests record the calls.
class TSelectionHost {
public:
    virtual ~TSelectionHost() = default;

    // The open dialog for a settings file (filter "*.cfg|*.cfg", default
    // extension "cfg"); nothing when the user cancels.
    virtual std::optional<QString> chooseSettingsFile() = 0;
    // Shows the filter dialog modally on the rows (the user edits their values);
    // true when closed with OK.
    virtual bool showFilterDialog(TFilterRows& rows) = 0;
    // The connection settings: NT server (ServerE) and TM server (TmsE).
    virtual QString ntServerName() const = 0;
    virtual QString tmServerName() const = 0;

    // The main window's caption.
    virtual void setWindowTitle(const QString& title) = 0;
    // Puts a settings file (full path) at the top of the recent-files list.
    virtual void addRecentFile(const QString& path) = 0;
    // Detaches the grid from DS before the table is rebuilt.
    virtual void detachGrid() = 0;
    // Rebuilds the grid's columns from the table and shows its records (RecNo
    // as key column, count summaries on the first two data columns).
    virtual void attachGrid(TMemTable& table) = 0;
    // The status bar's text.
    virtual void setStatusText(const QString& text) = 0;

    // A selection starts (repaint, hourglass cursor) and ends (normal cursor).
    virtual void beginBusy() {}
    virtual void endBusy() {}
    // Called every few thousand nodes of the walk with the nodes visited and the
    // records made so far, so a window can advance an indicator and repaint.
    virtual void progress(std::int64_t nodes, int records) {}
};

// Settings-file loading and the selection builder without any window: owns the
// selection table DS, the lookup table DS2, the filter rows and the state the
// main window keeps for a loaded settings file.
class TSelectionEngine {
public:
    // How conversion errors of one selection are reported.
    enum class ConversionMessages {
        // Boxes for the first three; from the fourth on each box asks (Yes/No)
        // whether to go on showing them; after No the rest are only counted and
        // the status text says how many were not shown.
        Limited,
        // Every message gets its own box (the command-line program prints them).
        All,
    };

    // Largest number of columns a settings file may define (configured and
    // lookup columns together; the table also holds RecNo).
    static constexpr int MaxColumns = 49;
    // Values per node line and names per lookup-fields line that are read.
    static constexpr int MaxListItems = 20;
    // Longest NT server name and configuration path the library accepts.
    static constexpr int MaxServerText = 128;
    // Walk nodes between two progress calls.
    static constexpr int ProgressInterval = 4096;

    explicit TSelectionEngine(TSelectionHost& host);
    ~TSelectionEngine();
    TSelectionEngine(const TSelectionEngine&) = delete;
    TSelectionEngine& operator=(const TSelectionEngine&) = delete;

    TMemTable& DS() { return m_ds; }
    TMemTable& DS2() { return m_ds2; }
    TFilterRows& filterRows() { return m_filter; }

    void setConversionMessages(ConversionMessages policy) { m_policy = policy; }
    ConversionMessages conversionMessages() const { return m_policy; }

    // Loads a settings file and makes a selection from it. With fromUser and an
    // empty path the host's open dialog picks the file (cancel: nothing
    // changes); a recent-list click passes its path with fromUser true. Errors
    // are shown (box titled "Ошибка"), the file name is cleared and the title
    // reset. Returns whether the file was loaded (the selection itself may still
    // have been cancelled or have failed to open the configuration).
    bool LoadSettingsFile(const QString& path, bool fromUser);

    // Builds the selection into DS. Without a loaded file a user-started call
    // loads one first (which makes its own selection) and a system call does
    // nothing. fromUser shows the filter dialog first. Errors are shown in an
    // error box. Returns true when a new selection was made.
    bool PerformSelection(bool fromUser);

    // Copies DS with display widths and labels into DS2 (the window's action
    // "Перенести таблицу в правую часть" and the lookup-file step of a load).
    void MoveSelectionToLookup();

    // Positions DS2 on the record matching the key columns of DS's pending
    // record; false without key list, without match, or when a string key
    // column of the pending record has no value.
    bool LocateLookupRecord();

    // State of the loaded settings file.
    bool hasSettingsFile() const { return !m_fileName.isEmpty(); }
    const QString& fileName() const { return m_fileName; } // empty: none loaded
    const QStringList& lines() const { return m_lines; }
    int configuredColumnCount() const { return m_configuredCount; }
    // Label and display width the settings file gave table column index (RecNo
    // is 0); empty and 0 where it gave none.
    QString columnLabel(int index) const;
    int columnWidth(int index) const;
    // Names of the key columns separated by ";" (empty: no join).
    const QString& lookupKeys() const { return m_lookupKeys; }

    // State of the last selection.
    const QString& gatheredText() const { return m_gathered; }
    int gatheredCount() const { return m_gatheredCount; }
    const QString& previousText() const { return m_previous; }
    const QString& maskText() const { return m_maskText; }
    // Last change of the configuration file (UTC file time) from the last
    // successful open; 0 before the first.
    std::uint64_t fileTime() const { return m_fileTime; }
    // Conversion messages of the last selection that were not shown.
    int suppressedMessages() const { return m_suppressed; }

    // The main window's caption without a file.
    static QString baseTitle();

private:
    struct Walk;
    struct LoadGuard;

    void loadFile(const QString& path, bool fromUser, int depth);
    void failLoad(const QString& message);
    void buildStructure();
    bool performSelectionImpl(bool fromUser);
    void prepareWalk(Walk& walk);
    bool openConfiguration(Walk& walk, std::int32_t& top);
    // Walks the children of node depth first; leaves with a full set of values
    // become records. True when node has no children.
    bool WalkNode(std::int32_t node);
    void buildRecord();
    bool setColumn(int column, QStringView value);
    bool locateForWalk();
    void reportConversionError(const QString& message);

    TSelectionHost& m_host;
    TMemTable m_ds;
    TMemTable m_ds2;
    TFilterRows m_filter;
    ConversionMessages m_policy = ConversionMessages::Limited;

    QString m_fileName;
    QStringList m_lines;
    int m_configuredCount = 0;
    std::vector<QString> m_labels; // by table column index
    std::vector<int> m_widths;
    QString m_lookupKeys;
    QStringList m_loading; // settings files being loaded, outermost first

    QString m_gathered;
    int m_gatheredCount = 0;
    QString m_previous;
    QString m_maskText;
    std::uint64_t m_fileTime = 0;
    int m_shownMessages = 0;
    int m_suppressed = 0;
    bool m_showMessages = true;
    Walk* m_walk = nullptr;
};
