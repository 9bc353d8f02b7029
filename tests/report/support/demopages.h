#pragma once

// Hand-made prepared reports for tests and benchmarks, printed the way the
// builder prints: memos through TfrMemoPrinter (laid out with the engine's
// measurer), other objects straight into the page streams.

#include <QByteArray>

class TfrEMFPages;
class TfrReport;

// Pages like those of a report over the demo selection: a title, a table
// header and `rows` rows of telemechanics points (six framed columns), a
// footer line with the page number and a link back to the first page.
void writeDemoPages(TfrReport& report, TfrEMFPages& pages, int pageCount, int rows = 40);

// One page showing what drawing does: alignments, justified, hyphenated and
// vertical text, right-to-left reading, frame styles and widths, fills, a
// picture (`jpeg`, a JFIF file; none when empty), lines, underlines and links.
void writeShowcasePage(TfrReport& report, TfrEMFPages& pages, const QByteArray& jpeg);
