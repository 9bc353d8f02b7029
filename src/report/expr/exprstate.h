#pragma once

#include "report/model/constants.h"
#include "report/model/variables.h"

#include <QString>
#include <cstdint>
#include <functional>

class TfrView;

// What expressions read of a band while a report builds, and what aggregates
// keep in it. The builder keeps one per runtime band and fills the counters;
// tests fill them by hand.
struct TfrExprBand {
    int type = btNone;
    QString name;
    bool visible = true;
    // The band holds objects that belong to cross bands (its aggregate slots then
    // carry a cross column number).
    bool holdsCrossObjects = false;
    // LINE# and LINETHROUGH#: the builder puts here the counters of the band
    // that counts (for a band without a dataset of its own, the first band of
    // its chain).
    std::int32_t lineNo = 0;
    std::int32_t lineThrough = 0;
    // Aggregate slots (key -> running value) and the rows accumulated.
    TfrVariables aggregates;
    std::int32_t aggregateCount = 0;
    // The data band whose slots this band's aggregate calls read; set by
    // registration, not owned.
    TfrExprBand* aggregateBand = nullptr;
    // Breaks requested by NEWPAGE and NEWCOLUMN.
    std::int32_t pendingPageBreaks = 0;
    std::int32_t pendingColumnBreaks = 0;
    // A script set CURY while breaks were pending: the builder applies the
    // position again after them.
    bool cursorYAfterBreaks = false;
};

// What expressions see of a build: page and record counters, the page's
// cursor and limits, the pass, the current band and object, the aggregate
// registration pass. The builder fills it from its own build state and owns
// it and every band and object it points to for the whole build; outside a
// build expressions run without one.
struct TfrExprState {
    std::int32_t pageNo = 1;     // PAGE#
    std::int32_t totalPages = 0; // TOTALPAGES
    std::int32_t columnNo = 1;   // COLUMN#
    std::int32_t currentNo = 1;  // CURRENT#
    std::int32_t cursorY = 0;    // CURY
    std::int32_t bottomLimit = 0; // PAGEHEIGHT; FREESPACE is bottomLimit - cursorY
    std::int32_t rightLimit = 0; // PAGEWIDTH
    bool finalPass = false;      // FINALPASS
    double startDate = 0;        // DATE
    double startTime = 0;        // TIME

    TfrExprBand* currentBand = nullptr;
    TfrView* currentObject = nullptr;

    // The aggregate registration pass: aggregate calls register slots in the
    // target data band instead of reading them.
    bool registering = false;
    TfrExprBand* targetBand = nullptr;

    // Set by STOPREPORT; the builder stops at its next check.
    bool terminated = false;
    // SHOWBAND(name): shows the named band on the current page now.
    std::function<void(const QString& bandName)> showBand;
    // Width a memo needs for CALCWIDTH (text layout lives in the builder).
    std::function<std::int32_t(TfrView& object)> calcWidth;
    // Scripts assigning MODALRESULT (while a dialog page is shown) and PROGRESS
    // (the progress window's second label); unset hooks ignore them.
    std::function<void(std::int32_t result)> setModalResult;
    std::function<void(const QString& text)> showProgress;
};
