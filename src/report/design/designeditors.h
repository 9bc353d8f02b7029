#pragma once

// What the editors of the built-in objects decide, without their windows:
// the data source of data bands and of the cross data band, the condition of
// group headers, the text and script of the text editor and the pictures of
// picture objects. Each apply function works like a document command: it
// records one undo entry of kind change before it changes the object, marks
// the report modified, and returns false with nothing changed when the
// values may not be applied (a text the template cannot hold, a band of
// another type) or nothing differs.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class TfrBandView;
class TfrDataDictionary;
class TfrDesignDocument;
class TfrPage;
class TfrView;
struct TfrPicture;

// ---- data sources of bands

// The entries before the dictionary's band sources.
QString frNoSourceEntry();      // "[Нет]"
QString frVirtualSourceEntry(); // "Виртуальный"

// Record counts a virtual source takes.
inline constexpr int kMinVirtualCount = 1;
inline constexpr int kMaxVirtualCount = 999999999;

// One choice of the data source dialogs: an entry of the choice list and, for
// "Виртуальный", the record count.
struct TfrBandSource {
    QString entry;
    int count = 1;
    bool operator==(const TfrBandSource&) const = default;
};

// Whether a band type takes a data source from a list (master, detail and
// subdetail data), and the types the cross data band's list leaves out.
bool frIsDataBandType(int bandType);
bool frCrossListsBandType(int bandType);

// "[Нет]", "Виртуальный", then the dictionary's band source list.
QStringList frBandSourceChoices(const TfrDataDictionary& dictionary);
// The choice a data source text shows: a text starting with a digit 1-9 is
// "Виртуальный" with that number; a text whose alias is not among the
// choices is "[Нет]".
TfrBandSource frReadBandSource(const TfrDataDictionary& dictionary, const QString& text);
// The data source text of a choice: the record count for "Виртуальный",
// else the entry's data source name (so "[Нет]" stays "[Нет]").
QString frBandSourceText(const TfrDataDictionary& dictionary, const TfrBandSource& source);

// A data band's source (types 5, 8 and 11).
bool frSetBandSource(TfrDesignDocument& document, TfrBandView& band, const TfrBandSource& source);

// The bands the cross data band's dialog lists: every band of the page but
// the title, summary, page header and footer, overlay and cross bands, in
// page order.
std::vector<TfrBandView*> frCrossListedBands(const TfrPage& page);
// How the list shows a band: its name, ": " and its type name.
QString frCrossBandCaption(const TfrBandView& band);
// The sources of the listed bands a cross data band's text gives: a text
// without ";" is the source of every band; otherwise the pairs
// "band=source;" are read and a band missing from them has "[Нет]".
std::vector<TfrBandSource> frReadCrossSources(const TfrDataDictionary& dictionary,
                                              const std::vector<TfrBandView*>& bands, const QString& text);
// The text: per band, in order, its name, "=", its source text and ";".
QString frCrossSourceText(const TfrDataDictionary& dictionary, const std::vector<TfrBandView*>& bands,
                          const std::vector<TfrBandSource>& sources);
// The cross data band's sources, one per band of frCrossListedBands of its
// page (refused when the page lists none or the counts differ).
bool frSetCrossSources(TfrDesignDocument& document, TfrBandView& band, const std::vector<TfrBandSource>& sources);

// A group header's condition.
bool frSetGroupCondition(TfrDesignDocument& document, TfrBandView& band, const QString& condition);

// ---- the text editor

// Whether the text editor shows an object's text pane (bands and dialog
// controls show only their script).
bool frTextEditorHasText(const TfrView& view);
// What the panes show: the memo lines, and the script lines or, for an empty
// script, the three lines begin, an empty line, end. Lines are joined by "\n".
QString frTextEditorText(const TfrView& view);
QString frTextEditorScript(const TfrView& view);
// The script lines a pane's text stores: empty when it is exactly the
// three-line form (lines compared trimmed).
QStringList frStoredScript(const QString& text);

// A script that does not compile: the compiler's line ("Line L/C: message")
// and the position (line and column from 1).
struct TfrScriptError {
    QString text;
    int line = 0;
    int column = 0;
};
// Compiles a script pane's text; false with `error` filled when it does not compile.
bool frCheckScript(const QString& script, TfrScriptError& error);

// What OK of the text editor did: `error` is set (and nothing stored) when
// the script does not compile; otherwise `changed` tells whether anything
// was stored.
struct TfrTextEditResult {
    bool changed = false;
    bool failed = false;
    TfrScriptError error;
};
// OK of the text editor: compiles the script (unless the script may not be
// edited), then stores the text (objects with a text pane whose text may be
// edited), the script and, when the editor's tag button gave one, the tag
// (not for an object whose options may not change), all in one undo entry.
// Panes left as they were opened keep the object's lines as they are.
TfrTextEditResult frApplyTextEditor(TfrDesignDocument& document, TfrView& view, const QString& text,
                                    const QString& script, const std::optional<QString>& tag = std::nullopt);

// ---- pictures

// Largest picture file the editor reads.
inline constexpr qint64 kMaxPictureFileSize = qint64(64) << 20;
// Reads a picture file (*.bmp, *.jpg, *.ico, *.wmf, *.emf) into `picture`;
// an empty text when it was read and decoded, else why not (`picture` is
// then left as it was).
QString frLoadPictureFile(const QString& fileName, TfrPicture& picture);
// A picture object's picture (an empty picture clears it).
bool frSetPicture(TfrDesignDocument& document, TfrView& view, const TfrPicture& picture);

// ---- display format and highlight

// The display format the format dialog builds: category shl 24 + type shl 16
// + digits shl 8 + separator, where digits is the digits text as an integer
// (0 when it is not one) and the separator the first character of its text,
// or "," when that is empty.
std::uint32_t frDialogFormatCode(int category, int type, const QString& digits, const QString& separator);
// An object's display format and format text.
bool frSetDisplayFormat(TfrDesignDocument& document, TfrView& view, std::uint32_t format, const QString& formatText);
// A memo's highlight: condition, font style, font colour and fill colour.
struct TfrHighlight {
    QString condition;
    std::uint16_t fontStyle = 0;
    std::uint32_t fontColor = 0;
    std::uint32_t fillColor = 0;
};
TfrHighlight frHighlightOf(const TfrView& view);
bool frSetHighlight(TfrDesignDocument& document, TfrView& view, const TfrHighlight& highlight);
