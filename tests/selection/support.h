#pragma once

#include "common/cp1251.h"
#include "common/interaction.h"
#include "selection/selectionengine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

// A host that records what the engine asks of the window.
class TFakeHost : public TSelectionHost {
public:
    std::vector<std::optional<QString>> choices; // answers of the open dialog, from the front
    bool filterResult = true;
    std::function<void(TFilterRows&)> onFilter;
    int filterShown = 0;
    QString nt = QStringLiteral("NT1");
    QString tm = QStringLiteral("TM1");
    QStringList titles, statuses, recent;
    int detached = 0, attached = 0, busy = 0, idle = 0, progressCalls = 0;
    bool showsTable = false; // the grid is attached to DS
    std::int64_t lastNodes = 0;

    std::optional<QString> chooseSettingsFile() override {
        if (choices.empty())
            return std::nullopt;
        // Taken apart: copying the optional itself makes the compiler see an
        // uninitialised string.
        const bool chosen = choices.front().has_value();
        const QString file = choices.front().value_or(QString());
        choices.erase(choices.begin());
        if (!chosen)
            return std::nullopt;
        return file;
    }
    bool showFilterDialog(TFilterRows& rows) override {
        ++filterShown;
        if (onFilter)
            onFilter(rows);
        return filterResult;
    }
    QString ntServerName() const override { return nt; }
    QString tmServerName() const override { return tm; }
    void setWindowTitle(const QString& t) override { titles << t; }
    void addRecentFile(const QString& p) override { recent << p; }
    void detachGrid() override {
        ++detached;
        showsTable = false;
    }
    void attachGrid(TMemTable&) override {
        ++attached;
        showsTable = true;
    }
    void setStatusText(const QString& t) override { statuses << t; }
    void beginBusy() override { ++busy; }
    void endBusy() override { ++idle; }
    void progress(std::int64_t nodes, int) override {
        ++progressCalls;
        lastNodes = nodes;
    }
};

// A temporary configuration root served by the local library, settings files
// beside it, a recording interaction and an engine on a fake host.
class SelectionFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TRecordingInteraction ui;
    TScopedInteraction scope{ui};
    TFakeHost host;
    TSelectionEngine engine{host};

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("OSTRAND_CONFIG_ROOT", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    }

    // A configuration file NT1\TM_SERVER\TM1\<name>.xml holding body inside <config>.
    void writeTree(const QString& name, const QString& body, const QString& nt = QStringLiteral("NT1")) {
        const QString folder = dir.filePath(QStringLiteral("config/%1/TM_SERVER/TM1").arg(nt));
        QDir().mkpath(folder);
        QFile f(folder + u'/' + name + QStringLiteral(".xml"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>");
        f.write(body.toUtf8());
        f.write("</config>\n");
    }

    // A settings file in code page 1251; returns its path.
    QString writeCfg(const QString& name, const QStringList& lines) {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cp1251::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
        return path;
    }

    // The records of DS, columns after RecNo joined by "|".
    QStringList rows() {
        QStringList out;
        TMemTable& ds = engine.DS();
        for (int r = 0; r < ds.recordCount(); ++r) {
            QStringList cells;
            for (int c = 1; c < ds.fieldCount(); ++c)
                cells << ds.textAt(r, c);
            out << cells.join(u'|');
        }
        return out;
    }
    QStringList recNos() {
        QStringList out;
        for (int r = 0; r < engine.DS().recordCount(); ++r)
            out << engine.DS().textAt(r, 0);
        return out;
    }
};

// <node name="..." a="..." ...>children</node>
inline QString node(const QString& name, const QList<QPair<QString, QString>>& props, const QString& children = {}) {
    QString s = QStringLiteral("<node name=\"%1\"").arg(name);
    for (const auto& p : props)
        s += QStringLiteral(" %1=\"%2\"").arg(p.first, p.second);
    return children.isEmpty() ? s + QStringLiteral("/>") : s + u'>' + children + QStringLiteral("</node>");
}
