#pragma once

// A design document over a report of one page with the program's add-in
// classes and editors, the editors' questions answered by fakes, and a way to
// drive the modal editor an edit opens.

#include "common/interaction.h"
#include "report/addins/programaddins.h"
#include "report/addins/widgets/addineditors.h"
#include "report/designer/editorparts.h"
#include "report/design/designdoc.h"
#include "report/design/objectrecord.h"
#include "report/designer/designerclasses.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/render/textmeasure.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class AddInEditorTest : public ::testing::Test {
public:
    AddInEditorTest() : saved(frEditorPickers()) {
        frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>());
        frRegisterProgramAddIns(engine);
        frRegisterProgramAddInEditors();
        report.pages().page(report.pages().add())->name = QStringLiteral("Page1");
        doc = std::make_unique<TfrDesignDocument>(report, true);
        TfrEditorPickers& p = frEditorPickers();
        p.expression = [this](TfrReport&, QWidget*) { return expression; };
        p.field = [this](TfrReport&, QWidget*) { return field; };
        p.color = [this](TfrColor, QWidget*) { return color; };
        p.openFile = [this](QWidget*, const QString&, const QString&) { return openFile; };
        p.saveFile = [this](QWidget*, const QString&) { return saveFile; };
    }
    ~AddInEditorTest() override { frEditorPickers() = saved; }

    template <class T> T& add(const QString& name, int l, int t, int w, int h) {
        auto v = engine.createObject(gtAddIn, T::classInfo().className);
        v->setName(name);
        v->setBounds(l, t, w, h);
        return static_cast<T&>(*report.pages().page(0)->add(std::move(v)));
    }

    // Opens the object's editor through the designer's registry and runs
    // `drive` on it once it is shown; returns what the editor returned and
    // whether a window opened at all.
    struct Run {
        bool changed = false;
        bool opened = false;
    };
    Run edit(TfrView& view, std::function<void(QDialog&)> drive) {
        const auto* editor = frDesignerEditor(view.objectClass());
        EXPECT_NE(editor, nullptr);
        if (!editor)
            return {};
        Run run;
        QTimer* timer = whenModal([&run, drive](QDialog& d) {
            run.opened = true;
            drive(d);
        });
        run.changed = (*editor)(*doc, view, nullptr);
        // Nothing opened: the timer is not needed any more.
        if (!run.opened)
            delete timer;
        return run;
    }

    // Runs `drive` on the next modal window once it is shown (given up after
    // ten seconds); a drive that leaves the window open gives up on it. The
    // timer deletes itself once it has found the window or given up.
    static QTimer* whenModal(std::function<void(QDialog&)> drive) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        auto ticks = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [timer, drive, ticks] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (modal || ++*ticks > 1000) {
                timer->stop();
                timer->deleteLater();
                if (modal) {
                    drive(*modal);
                    if (modal->isVisible())
                        modal->reject();
                }
            }
        });
        timer->start();
        return timer;
    }

    template <class W> static W* child(QWidget& w, const QString& name) {
        W* c = w.findChild<W*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    static void ok(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }
    static void cancel(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click(); }

    TfrEditorPickers saved;
    // What the fake questions answer (cases set them while they drive).
    std::optional<QString> expression;
    std::optional<QString> field;
    std::optional<TfrColor> color;
    QString openFile, saveFile;

    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TfrReport report{engine};
    std::unique_ptr<TfrDesignDocument> doc;
};
