#pragma once

// A report page with the program's add-in classes and a design document over
// it, and a way to drive an editor's modal dialog.

#include "common/interaction.h"
#include "report/addins/programaddins.h"
#include "report/design/designdoc.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/render/textmeasure.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class EditorTest : public ::testing::Test {
protected:
    EditorTest() {
        frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>());
        frRegisterProgramAddIns(engine);
        report.pages().page(report.pages().add())->name = QStringLiteral("Page1");
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }

    template <class T>
    T& add(const QString& name) {
        auto v = std::make_unique<T>();
        v->objectId = engine.nextObjectId(); // the selection tells objects apart by it
        v->setName(name);
        v->setBounds(20, 20, 200, 120);
        return static_cast<T&>(*report.pages().page(0)->add(std::move(v)));
    }

    // Runs `open`; once a modal dialog of class Form shows, `drive` works its
    // controls and closes it. Returns what `open` returned; `opened` tells
    // whether a dialog of class Form showed at all (when none shows, any other
    // modal window is closed so that the test goes on).
    template <class Form>
    bool runWith(const std::function<bool()>& open, const std::function<void(Form&)>& drive, bool* opened = nullptr) {
        bool shown = false;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            timer.stop();
            if (auto* form = qobject_cast<Form*>(modal)) {
                shown = true;
                drive(*form);
            }
            if (modal->isVisible())
                static_cast<QDialog*>(modal)->reject();
        });
        timer.start();
        const bool result = open();
        if (opened)
            *opened = shown;
        return result;
    }
    // The same for an editor function on the fixture's document.
    template <class Form, class Editor, class View>
    bool run(Editor editor, View& view, const std::function<void(Form&)>& drive, bool* opened = nullptr) {
        return runWith<Form>([&] { return editor(*doc, view, nullptr); }, drive, opened);
    }

    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TfrReport report{engine};
    std::unique_ptr<TfrDesignDocument> doc;
};
