// Editing a prepared page in the designer, from the preview.

#include "designerfixture.h"

#include "report/builder/builder.h"
#include "report/builder/preparedpages.h"
#include "report/designer/designer.h"
#include "report/preview/pageeditor.h"
#include "report/preview/previewform.h"

#include <QAction>
#include <QMenu>
#include <QtTest/QTest>

namespace {

class PreparedPages : public DesignerTest {
protected:
    PreparedPages() {
        band("MasterData1", btMasterData, 100, 40).setDataSourceName(QStringLiteral("2"));
        memo("Line", 40, 100, 200, 20, QStringLiteral("строка [LINE#]"));
        TfrBuildOptions options;
        options.showError = false;
        EXPECT_TRUE(frBuildReport(report, options).ok());
    }
    // The texts of a prepared page.
    QStringList texts(int index) {
        QStringList out;
        frPreparedPages(report).exportPage(index, [&](TfrView& v) { out << v.memo.join(u'|'); });
        return out;
    }
    // Closes the designer once it shows, after `edit` on its document.
    void whenDesigner(std::function<void(TfrDesignDocument&)> edit) {
        whenModal([edit](QWidget& modal) {
            auto* form = qobject_cast<TfrDesignerForm*>(&modal);
            ASSERT_NE(form, nullptr);
            EXPECT_TRUE(form->document().preparedPage());
            EXPECT_FALSE(form->action(QStringLiteral("save"))->isEnabled());
            edit(form->document());
            form->close();
        });
    }
};

TEST_F(PreparedPages, AChangedPageIsWrittenBackWhenTheUserSaysSo) {
    const QByteArray templateBytes = report.saveToStream();
    ASSERT_EQ(texts(0).size(), 2);
    whenDesigner([](TfrDesignDocument& d) {
        ASSERT_EQ(d.pageCount(), 1);
        d.selectAll();
        const std::vector<TfrView*> sel = d.selection();
        d.selectObjects({sel.back()});
        ASSERT_TRUE(d.deleteSelection());
    });
    ui.answers = {TUserInteraction::Yes};
    EXPECT_TRUE(frEditPreparedPage(report, 0));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(texts(0).size(), 1);
    // The template is back as it was.
    EXPECT_EQ(report.saveToStream(), templateBytes);
    EXPECT_NE(report.findObject(QStringLiteral("Line")), nullptr);

    // Answered No, the page stays as it was.
    whenDesigner([](TfrDesignDocument& d) {
        d.selectAll();
        d.deleteSelection();
    });
    ui.answers = {TUserInteraction::No};
    EXPECT_FALSE(frEditPreparedPage(report, 0));
    EXPECT_EQ(texts(0).size(), 1);
    EXPECT_EQ(report.saveToStream(), templateBytes);
    // Unchanged, nothing is asked.
    whenDesigner([](TfrDesignDocument&) {});
    EXPECT_FALSE(frEditPreparedPage(report, 0));
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_FALSE(frEditPreparedPage(report, 5));
}

TEST_F(PreparedPages, ThePreviewEditsItsCurrentPageWithCtrlE) {
    frInstallDesigner(engine);
    TfrPreviewForm preview(report);
    preview.resize(900, 700);
    preview.show();
    QApplication::processEvents();
    EXPECT_TRUE(preview.canEditPage());
    const int top = preview.pages().loadPage(0).object(0)->top;
    preview.pages().releasePage(0);
    QAction* edit = preview.action(QStringLiteral("mnuEditPage"));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->property("available").toBool());
    whenDesigner([](TfrDesignDocument& d) {
        d.selectAll();
        ASSERT_TRUE(d.arrowKey(frdesign::TfrDirection::Down, Qt::ControlModifier));
    });
    ui.answers = {TUserInteraction::Yes};
    QTest::keyClick(&preview, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(ui.messages.size(), 1u);
    // The preview holds its pages again, the moved objects among them.
    EXPECT_EQ(preview.pageCount(), 1);
    const TfrPage& page = preview.pages().loadPage(0);
    ASSERT_GT(page.count(), 0);
    EXPECT_EQ(page.object(0)->top, top + 1);
    preview.close();

    // Without the designer the entry is not offered.
    frPageEditor(engine) = {};
    TfrPreviewForm plain(report);
    EXPECT_FALSE(plain.canEditPage());
}

} // namespace
