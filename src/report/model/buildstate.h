#pragma once

#include "report/model/page.h"

#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>

class TfrBandView;
class TfrDataset;
class TfrReport;
class TfrView;

// What one build keeps beside the objects it builds from: the dataset each
// data band walks, the effective printable edges of each page, the height
// scripts calculate, and what the classes of objects keep per object
// while they print (a split memo's lines still to print, the values a chart
// collected ...). The builder owns it and attaches it to the report it builds
// for the duration of the build (TfrBuildScope); objects that answer scripts
// during a build (a band's EOF, NEXT, PRIOR and FIRST, a page's margins,
// CALCHEIGHT) read it through their report. Nothing here is stored in
// templates.
class TfrBuildState {
public:
    // The dataset a data band walks, or nothing.
    void setDataset(const TfrBandView& band, TfrDataset* dataset) { m_datasets[&band] = dataset; }
    TfrDataset* datasetOf(const TfrBandView& band) const;

    // The printable edges of a page being built (what its margin properties
    // return while the build runs), or nothing for pages not built.
    void setPrintableEdges(const TfrPage& page, const TfrMargins& edges) { m_edges[&page] = edges; }
    const TfrMargins* printableEdges(const TfrPage& page) const;

    // The calculated height of a stretching object (CALCHEIGHT of scripts).
    std::function<std::int32_t(TfrView& view)> calcHeight;

    // A state a class keeps for an object during the build, made on first
    // use; an object holds at most one state of each type.
    template <class T>
    T& objectState(const TfrView& view) {
        std::shared_ptr<void>& slot = m_objects[TKey{&view, std::type_index(typeid(T))}];
        if (!slot)
            slot = std::make_shared<T>();
        return *std::static_pointer_cast<T>(slot);
    }
    // The state if there is one.
    template <class T>
    T* findObjectState(const TfrView& view) const {
        const auto it = m_objects.find(TKey{&view, std::type_index(typeid(T))});
        return it == m_objects.end() ? nullptr : std::static_pointer_cast<T>(it->second).get();
    }
    // Visits the states of one type.
    template <class T>
    void forEachObjectState(const std::function<void(const TfrView&, T&)>& visit) {
        for (auto& [key, slot] : m_objects)
            if (key.type == std::type_index(typeid(T)))
                visit(*key.view, *std::static_pointer_cast<T>(slot));
    }

private:
    struct TKey {
        const TfrView* view;
        std::type_index type;
        bool operator==(const TKey&) const = default;
    };
    struct TKeyHash {
        std::size_t operator()(const TKey& k) const noexcept {
            return std::hash<const void*>()(k.view) * 31 + k.type.hash_code();
        }
    };
    std::unordered_map<const TfrBandView*, TfrDataset*> m_datasets;
    std::unordered_map<const TfrPage*, TfrMargins> m_edges;
    std::unordered_map<TKey, std::shared_ptr<void>, TKeyHash> m_objects;
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
