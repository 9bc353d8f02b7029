#pragma once

// A designer window over a report of one page, and ways to answer the
// modal windows it opens.

#include "common/interaction.h"
#include "common/registry.h"
#include "report/designer/designerform.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/render/textmeasure.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class DesignerTest : public ::testing::Test {
protected:
    DesignerTest() {
        // Designers of earlier cases in this process wrote their settings.
        QFile::remove(TRegistry::storageFile());
        frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>());
        report.pages().page(report.pages().add())->name = QStringLiteral("Page1");
    }

    TfrBandView& band(const QString& name, int type, int top, int height) {
        auto v = engine.createObject(gtBand);
        v->setName(name);
        auto& b = static_cast<TfrBandView&>(*v);
        b.setBandType(type);
        b.setBounds(0, top, 758, height);
        return static_cast<TfrBandView&>(*report.pages().page(0)->add(std::move(v)));
    }
    TfrMemoView& memo(const QString& name, int l, int t, int w, int h, const QString& text) {
        auto v = engine.createObject(gtMemo);
        v->setName(name);
        v->setBounds(l, t, w, h);
        v->memo = QStringList{text};
        return static_cast<TfrMemoView&>(*report.pages().page(0)->add(std::move(v)));
    }

    std::unique_ptr<TfrDesignerForm> open() {
        auto form = std::make_unique<TfrDesignerForm>(report);
        form->setWindowState(Qt::WindowNoState);
        form->resize(1100, 800);
        form->show();
        QApplication::processEvents();
        return form;
    }

    // Runs `answer` on the next modal window once it is shown (given up
    // after ten seconds).
    static void whenModal(std::function<void(QWidget&)> answer) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        auto ticks = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [timer, answer, ticks] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal || ++*ticks > 1000) {
                timer->stop();
                timer->deleteLater();
                if (modal)
                    answer(*modal);
            }
        });
        timer->start();
    }

    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TfrReport report{engine};
};
