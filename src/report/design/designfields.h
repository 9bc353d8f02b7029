#pragma once

// Database fields put on a page as text objects: the "Вставка полей БД"
// command (fields of one table, with headers and bands) and a field dragged
// from the field window.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <vector>

class TfrDesignDocument;
class TfrReport;
class TfrView;

// How the fields are laid out: side by side or one under the other, with a
// header text above (beside) each, and bands around them.
struct TfrFieldPlacement {
    bool horizontal = true;
    bool headers = true;
    bool bands = true;
};

// The reference of a field as texts hold it: the dataset, a period and the
// field in double quotes (DS."PointNo").
QString frFieldReference(const QString& dataset, const QString& field);

// Inserts text objects for `fields` of `dataset` (both as the dictionary lists
// them, aliases allowed) on the current page, from its top-left printable
// corner:
// - each field gets a data object holding its bracketed reference, as wide
//   as its display width (0 or 256 and more count as 6) in "=" characters of
//   the object's font, truncated to the grid; with headers a bold header
//   holding its display name first, as wide as that name and three spaces,
//   with the data object 72 pixels lower (side by side) or 2 grid steps to the
//   right of the header (one under the other);
// - side by side, objects that pass the printable right edge are squeezed
//   into the printable width (headers no wider than their data);
// - with bands, a master data band around the data objects whose data source
//   is the report dataset over the table, and side by side with headers a page
//   header band (unless the page has one) around the headers.
// All objects made are selected and recorded as one insertion. Returns them;
// nothing, with the reason in the document's refusal(), on a dialog form or
// without fields.
std::vector<TfrView*> frInsertFields(TfrDesignDocument& document, const QString& dataset, const QStringList& fields,
                                     const TfrFieldPlacement& placement);
inline std::vector<TfrView*> frInsertFields(TfrDesignDocument& document, const QString& dataset,
                                            const QStringList& fields, bool horizontal, bool headers, bool bands) {
    return frInsertFields(document, dataset, fields, TfrFieldPlacement{horizontal, headers, bands});
}

// A field dropped on the page at `at`: one text object of the default size
// there (snapped to the grid when the designer aligns to it) holding the
// bracketed reference. Null, with the reason in refusal(), when the page
// cannot take it.
TfrView* frDropField(TfrDesignDocument& document, const QString& dataset, const QString& field, QPoint at);

// The name of the report dataset that walks the table a dataset name or
// alias of the dictionary's list names (what a data band over it takes as its
// data source); empty when no report dataset walks it.
QString frDatasetSourceName(TfrReport& report, const QString& dataset);
