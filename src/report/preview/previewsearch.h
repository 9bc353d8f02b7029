#pragma once

#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class TfrEMFPages;
class TfrPreparedPage;

// One text as a page draws it: the text and its bounds in the page's own
// report pixels (the page drawn at 100 % with its top left corner at 0, 0).
struct TfrDrawnText {
    QString text;
    QRect bounds;
};

// Where a prepared page's objects are drawn for a page standing at `pageRect`
// at `zoom`: the whole rectangle for pages that keep their margins, the
// printable area (scaled, margins taken off) for pages that stretch to it.
QRect frPageDrawRect(const TfrPreparedPage& page, const QRect& pageRect, double zoom);

// The texts a prepared page draws, in drawing order. A page that was not
// shown releases the objects it rebuilt for this. Throws for damaged streams
// as drawing does.
std::vector<TfrDrawnText> frDrawnTexts(TfrEMFPages& pages, int index);

// Searching the texts drawn on the pages: where the next search resumes (page
// and text index), the page of the last hit and what was found there.
class TfrTextSearch {
public:
    using TextsOf = std::function<std::vector<TfrDrawnText>(int page)>;

    // A new search for `text` (compared upper-cased unless case-sensitive):
    // from the first page, or continuing from the current page.
    void start(const QString& text, bool caseSensitive, bool fromStart, int currentPage);
    bool hasText() const { return !m_text.isEmpty(); }
    // The text as the user gave it.
    const QString& text() const { return m_given; }
    bool caseSensitive() const { return m_caseSensitive; }

    // Moves the resume point to the start of `currentPage` unless that is the
    // page of the last hit (what F3 does before searching on).
    void resumeOnPage(int currentPage);
    // The next hit from the resume point on. `goOn`, when given, is asked
    // before each page is searched and stops the search by returning false.
    // False when nothing more is found (or the search was stopped); the state
    // then stays as it was.
    bool findNext(int pageCount, const TextsOf& textsOf, const std::function<bool(int page)>& goOn = {});

    bool found() const { return m_found; }
    int hitPage() const { return m_hitPage; }
    // The bounds of the text found, in the page's report pixels.
    QRect hitBounds() const { return m_hitBounds; }
    void clearHit() { m_found = false; }

private:
    QString m_given, m_text; // m_text: as compared
    bool m_caseSensitive = false;
    int m_page = 0, m_record = 0;
    int m_hitPage = -1;
    bool m_found = false;
    QRect m_hitBounds;
};
