// The chart example: the substations template over the demo selection
// collects one bar per substation and draws it on the report's second page.

#include "app/cli/cli.h"
#include "report/addins/chart.h"
#include "report/addins/programaddins.h"
#include "report/builder/preparedpages.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include "clirun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ChartReportCli, SubstationsReportChartsThePointsOfEverySubstation) {
    qunsetenv("OSTRAND_CONFIG_ROOT");
    QTemporaryDir dir;
    const QString prepared = dir.filePath("substations.frp");
    const CliRun r = cli({"--report", OSTRAND_SOURCE_DIR "/examples/settings/substations.frf", "--server", "DEMO-NT",
                          "--tm", "TM1", "--user", "engineer", "--password", "demo", "--settings",
                          OSTRAND_SOURCE_DIR "/examples/settings/substations.cfg", "--prepared", prepared});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    TfrEngine engine;
    frRegisterProgramAddIns(engine);
    TfrReport report(engine);
    ASSERT_TRUE(frLoadPreparedReport(report, prepared).ok());
    TfrEMFPages& pages = frPreparedPages(report);
    ASSERT_EQ(pages.count(), 2);
    std::vector<const TfrChartView*> charts;
    QStringList names;
    for (const auto& v : pages.loadPage(0).objects())
        if (v->name() == u"SubName")
            names << v->memo.value(0).remove(QChar(1));
    for (int i = 0; i < 2; ++i)
        for (const auto& v : pages.loadPage(i).objects())
            if (const auto* c = frCast<TfrChartView>(v.get()))
                charts.push_back(c);
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(charts[0]->parentPage(), &pages.loadPage(1)); // on the page of its own
    const std::optional<TfrChartData> data = frChartData(charts[0]->settings, charts[0]->memo);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->series.size(), 1);
    const TfrChartSeries& bars = data->series[0];
    EXPECT_EQ(bars.captions.size(), 36);
    EXPECT_EQ(bars.captions, names); // one bar per row of the table, in its order
    double points = 0;
    for (double v : bars.values)
        points += v;
    EXPECT_EQ(points, 2772); // every point of the demo configuration
    EXPECT_EQ(bars.captions.indexOf("ПС 220 кВ Северная"), 0);
    EXPECT_EQ(bars.values[0], 106);
}
