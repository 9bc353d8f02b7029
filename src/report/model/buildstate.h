#pragma once

#include "report/model/constants.h"

#include <array>
#include <unordered_map>
#include <vector>

class TfrBandView;
class TfrDataset;
class TfrPage;
class TfrReport;

// What one build of a report keeps beside the template objects: the band
// chains of each page by band type, the dataset each data band walks and the
// pass being built. The builder owns it and attaches it to the report for the
// duration of the build (TfrBuildScope); objects that answer scripts during a
// build (a band's EOF, NEXT, PRIOR and FIRST, a page's effective margins) read
// it through their report. Nothing here is stored in templates.
class TfrBuildState {
public:
    using BandChains = std::array<std::vector<TfrBandView*>, frBandTypeCount>;

    // Band chains of a page (created empty on first use).
    BandChains& bandsOf(const TfrPage& page) { return m_bands[&page]; }
    const BandChains* findBands(const TfrPage& page) const;

    // The dataset a data band walks, or nothing.
    void setDataset(const TfrBandView& band, TfrDataset* dataset) { m_datasets[&band] = dataset; }
    TfrDataset* datasetOf(const TfrBandView& band) const;

    // 1 or 2; the last pass is the final one.
    int pass = 1;
    bool finalPass = true;

private:
    std::unordered_map<const TfrPage*, BandChains> m_bands;
    std::unordered_map<const TfrBandView*, TfrDataset*> m_datasets;
};

// Attaches a build state to a report for the lifetime of a scope; the report
// never holds it longer, so its pointer cannot outlive the state.
class TfrBuildScope {
public:
    TfrBuildScope(TfrReport& report, TfrBuildState& state);
    ~TfrBuildScope();
    TfrBuildScope(const TfrBuildScope&) = delete;
    TfrBuildScope& operator=(const TfrBuildScope&) = delete;

private:
    TfrReport& m_report;
    TfrBuildState* m_previous;
};
