// The controls of dialog pages: their stored forms (and the older combo box
// forms), the property rules scripts meet, and builds that ask dialog pages,
// headless through ostrand-cli too.

#include "buildfixture.h"

#include "app/cli/cli.h"
#include "common/binio.h"
#include "common/cp1251.h"
#include "common/textfile.h"
#include "report/addins/programaddins.h"
#include "report/builder/dialogpage.h"
#include "report/controls/controls.h"
#include "report/model/streamio.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

using Change = TfrControlPeer::Change;

// Records what a control tells its platform control.
class RecordingPeer : public TfrControlPeer {
public:
    explicit RecordingPeer(TfrStdControl& control) : m_control(control) { control.setPeer(this); }
    ~RecordingPeer() override { m_control.setPeer(nullptr); }
    void controlChanged(Change change) override { changes.push_back(change); }
    bool saw(Change change) const { return std::find(changes.begin(), changes.end(), change) != changes.end(); }
    std::vector<Change> changes;

private:
    TfrStdControl& m_control;
};

double today() { return double(QDate(1899, 12, 30).daysTo(QDate::currentDate())); }

class Controls : public BuildTest {
public:
    Controls() {
        frRegisterProgramAddIns(engine);
        // Page 0 is the dialog, page 1 the report.
        page(0).pageType = ptDialog;
        addPage();
        band(btReportTitle, 0, 40, QStringLiteral("Title"), QString(), 1);
    }

    template <class T>
    T& control(const QString& name, int pg = 0) {
        TfrView* v = page(pg).add(engine.createObject(gtAddIn, T::classInfo().className));
        v->setName(name);
        return *frCast<T>(v);
    }

    // The stored form of one object, and the object read back from it.
    static QByteArray stored(const TfrView& v) {
        QByteArray bytes;
        TBinaryWriter out(bytes);
        v.saveToStream(out, TfrStreamContext{});
        return bytes;
    }
    template <class T>
    std::unique_ptr<T> readBack(const QByteArray& bytes) {
        auto v = engine.createObject(gtAddIn, T::classInfo().className);
        TBinaryReader in(bytes);
        v->loadFromStream(in, TfrStreamContext{});
        EXPECT_TRUE(in.atEnd());
        return std::unique_ptr<T>(frCast<T>(v.release()));
    }

    // The first texts of the built report (its title band).
    QStringList printed() { return allTexts(listing()); }
};

// ---------------------------------------------------------------- stored forms

TEST_F(Controls, EveryControlComesBackByteForByteAndWithItsValues) {
    auto& label = control<TfrLabelControl>("Label1");
    label.alignment = taCenter, label.autoSize = false, label.caption = "Подстанция:", label.wordWrap = true;
    label.font.name = "Arial", label.font.size = 10, label.font.style = 1, label.font.color = 0xFF;
    auto& edit = control<TfrEditControl>("Edit1");
    edit.text = "Тула", edit.readOnly = true, edit.enabled = false, edit.color = 0x00FFFF;
    auto& memo = control<TfrMemoControl>("Memo1");
    memo.lines = QStringList{"первая", "", "третья"};
    auto& button = control<TfrButtonControl>("Button1");
    button.caption = "Отмена";
    button.setModalResult(mrCancel);
    auto& check = control<TfrCheckBoxControl>("CheckBox1");
    check.alignment = taLeftJustify, check.checked = true, check.caption = "Все";
    auto& radio = control<TfrRadioButtonControl>("RadioButton1");
    radio.checked = true;
    auto& list = control<TfrListBoxControl>("ListBox1");
    list.items = QStringList{"a", "b"};
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    combo.items = QStringList{"Москва;77", "Тула;71"}, combo.style = csLookup;
    auto& date = control<TfrDateEditControl>("DateEdit1");
    date.dateFormat = dfLong;

    const QByteArray bytes = report.saveToStream();
    TfrReport loaded(engine);
    ASSERT_EQ(loaded.loadFromStream(bytes).status, TfrLoadResult::Status::Loaded);
    EXPECT_EQ(loaded.saveToStream(), bytes);

    const TfrPage& p = *loaded.pages().page(0);
    const auto* l = frCast<TfrLabelControl>(p.findObject("Label1"));
    ASSERT_TRUE(l);
    EXPECT_EQ(std::tuple(l->alignment, l->autoSize, l->caption, l->wordWrap, l->font.name, l->font.size),
              std::tuple(std::uint8_t(taCenter), false, QString("Подстанция:"), true, QString("Arial"), 10));
    const auto* e = frCast<TfrEditControl>(p.findObject("Edit1"));
    EXPECT_EQ(std::tuple(e->text, e->readOnly, e->enabled, e->color), std::tuple(QString("Тула"), true, false, 0x00FFFFu));
    EXPECT_EQ(frCast<TfrMemoControl>(p.findObject("Memo1"))->lines, memo.lines);
    const auto* b = frCast<TfrButtonControl>(p.findObject("Button1"));
    EXPECT_EQ(std::tuple(b->modalResult, b->cancel, b->isDefault), std::tuple(std::uint16_t(mrCancel), true, false));
    const auto* k = frCast<TfrCheckBoxControl>(p.findObject("CheckBox1"));
    EXPECT_EQ(std::tuple(k->alignment, k->checked, k->caption), std::tuple(std::uint8_t(taLeftJustify), true, QString("Все")));
    EXPECT_TRUE(frCast<TfrRadioButtonControl>(p.findObject("RadioButton1"))->checked);
    EXPECT_EQ(frCast<TfrListBoxControl>(p.findObject("ListBox1"))->items, list.items);
    const auto* c = frCast<TfrComboBoxControl>(p.findObject("ComboBox1"));
    EXPECT_EQ(std::tuple(c->items, c->style), std::tuple(combo.items, std::uint8_t(csLookup)));
    EXPECT_EQ(frCast<TfrDateEditControl>(p.findObject("DateEdit1"))->dateFormat, dfLong);
}

TEST_F(Controls, ComboBoxStyleByTheVersionItWasStoredWith) {
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    combo.items = QStringList{"a"};
    // Where the version bytes stand: after the name.
    QByteArray name;
    TBinaryWriter nameOut(name);
    frstream::writeString(nameOut, combo.name());
    const qsizetype minorAt = name.size() + 1;
    // The common data ends with the band alignment byte, which version 1
    // forms do not have either.
    QByteArray common;
    TBinaryWriter commonOut(common);
    combo.TfrView::saveToStream(commonOut, TfrStreamContext{});
    const qsizetype bandAlignAt = common.size() - 1;

    struct Case {
        int major, minor, styleByte;
        std::uint8_t style;
    };
    for (const Case& c : {Case{2, 1, 2, csDropDownList}, Case{2, 1, 3, csLookup}, Case{2, 0, 1, csDropDownList},
                          Case{2, 0, 2, csLookup}, Case{2, 0, 0, csDropDown}, Case{1, 0, -1, csDropDown}}) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " byte " << c.styleByte);
        QByteArray bytes = stored(combo);
        EXPECT_EQ(bytes[minorAt], 1); // written as 2.1
        bytes[minorAt - 1] = char(c.major);
        bytes[minorAt] = char(c.minor);
        if (c.styleByte < 0) {
            bytes.chop(1);
            bytes.remove(bandAlignAt, 1);
        } else {
            bytes[bytes.size() - 1] = char(c.styleByte);
        }
        const auto loaded = readBack<TfrComboBoxControl>(bytes);
        EXPECT_EQ(loaded->style, c.style);
        EXPECT_EQ(loaded->items, QStringList{"a"});
    }
}

TEST_F(Controls, ButtonResultMakesCancelAndDefault) {
    auto& button = control<TfrButtonControl>("Button1");
    struct Case {
        const char* set;
        std::uint16_t result;
        bool cancel, isDefault;
    };
    for (const Case& c : {Case{"mrOk", mrOk, false, true}, Case{"mrCancel", mrCancel, true, false},
                          Case{"mrNone", mrNone, false, false}}) {
        SCOPED_TRACE(c.set);
        ASSERT_TRUE(button.setPropValue("ModalResult", TVariant(QString(c.set))));
        EXPECT_EQ(std::tuple(button.modalResult, button.cancel, button.isDefault),
                  std::tuple(c.result, c.cancel, c.isDefault));
        // Read back from the stored form, the flags follow the result too.
        const auto loaded = readBack<TfrButtonControl>(stored(button));
        EXPECT_EQ(std::tuple(loaded->cancel, loaded->isDefault), std::tuple(c.cancel, c.isDefault));
    }
}

TEST_F(Controls, DateEditKeepsItsFormatButNotItsDate) {
    auto& date = control<TfrDateEditControl>("DateEdit1");
    date.dateFormat = dfLong;
    ASSERT_TRUE(date.setPropValue("Date", TVariant::dateTime(45000.75)));
    EXPECT_EQ(date.getPropValue("Date")->toDouble(), 45000.0); // the time of day dropped
    const auto loaded = readBack<TfrDateEditControl>(stored(date));
    EXPECT_EQ(loaded->dateFormat, dfLong);
    EXPECT_EQ(loaded->date, today());
}

TEST_F(Controls, ClassesGiveTheirConstantsWhenFirstCreated) {
    EXPECT_FALSE(engine.constants().contains("csLookup"));
    control<TfrComboBoxControl>("ComboBox1");
    control<TfrLabelControl>("Label1");
    control<TfrDateEditControl>("DateEdit1");
    for (const auto& [name, value] : std::vector<std::pair<QString, int>>{
             {"taLeftJustify", 0}, {"taRightJustify", 1}, {"taCenter", 2}, {"csDropDown", 0},
             {"csDropDownList", 2}, {"csLookup", 3}, {"dfShort", 0}, {"dfLong", 1}}) {
        ASSERT_TRUE(engine.constants().contains(name)) << name.toStdString();
        EXPECT_EQ(engine.constants().get(name).toInt(), value) << name.toStdString();
    }
}

TEST_F(Controls, DamagedRecordsEndInAnError) {
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    combo.items = QStringList{"Москва;77", "Тула;71"};
    const QByteArray bytes = stored(combo);
    for (qsizetype cut : {qsizetype(1), qsizetype(5), bytes.size() / 2}) {
        auto v = engine.createObject(gtAddIn, "TfrComboBoxControl");
        const QByteArray shorter = bytes.left(bytes.size() - cut);
        TBinaryReader in(shorter);
        EXPECT_THROW(v->loadFromStream(in, TfrStreamContext{}), Exception) << cut;
    }
}

// ---------------------------------------------------------------- properties

TEST_F(Controls, LookupComboBoxShowsDisplayPartsAndReadsValueParts) {
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    ASSERT_TRUE(combo.setPropValue("Items", TVariant(QString("Москва;77\r\nТула; 71 "))));
    ASSERT_TRUE(combo.setPropValue("Style", TVariant(QString("csLookup"))));
    EXPECT_EQ(combo.shownItems(), (QStringList{"Москва", "Тула"}));
    EXPECT_EQ(combo.getPropValue("Text")->toString(), QString());
    ASSERT_TRUE(combo.setPropValue("ItemIndex", TVariant(1)));
    EXPECT_EQ(combo.getPropValue("Text")->toString(), "71");
    // Typed (or set) text chooses the item by either part.
    combo.setText("Москва");
    EXPECT_EQ(combo.itemIndex, 0);
    combo.setText("71");
    EXPECT_EQ(combo.itemIndex, 1);
    combo.setText("Рязань");
    EXPECT_EQ(combo.itemIndex, -1);
    // A value part is cut at 255 characters.
    combo.items = QStringList{"Длинный;" + QString(300, u'x')};
    combo.setItemIndex(0);
    EXPECT_EQ(combo.text().size(), TfrComboBoxControl::maxValueLength);
}

TEST_F(Controls, ComboBoxTextByStyle) {
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    combo.items = QStringList{"один", "два;2"};
    struct Case {
        std::uint8_t style;
        QString typed;
        int index;
        QString text;
    };
    for (const Case& c : {Case{csDropDown, "три", -1, "три"}, Case{csDropDown, "один", 0, "один"},
                          Case{csDropDownList, "два;2", 1, "два;2"}, Case{csDropDownList, "три", -1, ""},
                          Case{csLookup, "два", 1, "2"}}) {
        SCOPED_TRACE(c.typed.toStdString());
        combo.style = c.style;
        ASSERT_TRUE(combo.setPropValue("Text", TVariant(c.typed)));
        EXPECT_EQ(combo.itemIndex, c.index);
        EXPECT_EQ(combo.getPropValue("Text")->toString(), c.text);
    }
    // Out-of-range indexes choose nothing.
    ASSERT_TRUE(combo.setPropValue("ItemIndex", TVariant(7)));
    EXPECT_EQ(combo.itemIndex, -1);
}

TEST_F(Controls, ListMethodsOfScripts) {
    auto& list = control<TfrListBoxControl>("ListBox1");
    auto& memo = control<TfrMemoControl>("Memo1");
    const QStringList script{"ListBox1.Items.Add('Тула');", "ListBox1.Items.Add('Москва');",
                             "ListBox1.ItemIndex := ListBox1.Items.IndexOf('москва');", "Memo1.Lines.Clear;",
                             "Memo1.Lines.Add(ListBox1.Items.Count);"};
    page(0).script = script;
    build();
    // The build worked on a copy: the template keeps its values.
    EXPECT_TRUE(list.items.isEmpty());
    EXPECT_EQ(memo.lines, QStringList{"Memo"});
    memo.memo.clear();
    // Run on the template's objects directly.
    EXPECT_EQ(list.doMethod("ITEMS.ADD", {TVariant(QString("a"))})->toInt(), 0);
    EXPECT_EQ(list.doMethod("ITEMS.ADD", {TVariant(QString("b"))})->toInt(), 1);
    list.setItemIndex(1);
    list.doMethod("ITEMS.DELETE", {TVariant(1)});
    EXPECT_EQ(std::tuple(list.items, list.itemIndex), std::tuple(QStringList{"a"}, -1));
    EXPECT_THROW(list.doMethod("ITEMS.DELETE", {TVariant(5)}), Exception);
    memo.doMethod("LINES.CLEAR", {});
    memo.doMethod("LINES.ADD", {TVariant(QString("x"))});
    EXPECT_EQ(memo.getPropValue("Lines.Count")->toInt(), 1);
}

TEST_F(Controls, GeometryReachesThePlatformControlOnlyWhileTheReportRuns) {
    auto& edit = control<TfrEditControl>("Edit1");
    {
        // In the designer: the object takes the value, its platform control
        // is not moved; the colour acts at once.
        RecordingPeer peer(edit);
        ASSERT_TRUE(edit.setPropValue("Left", TVariant(50)));
        EXPECT_EQ(edit.left, 50);
        EXPECT_FALSE(peer.saw(Change::Geometry));
        ASSERT_TRUE(edit.setPropValue("Visible", TVariant(false)));
        EXPECT_FALSE(peer.saw(Change::Visible));
        ASSERT_TRUE(edit.setPropValue("Color", TVariant(0xFF)));
        EXPECT_TRUE(peer.saw(Change::Look));
    }
    edit.visible = true;
    // While the report runs, the page's script moves it.
    page(0).script = QStringList{"Edit1.Left := 80;"};
    std::vector<Change> seen;
    frDialogAsker(engine) = [&](TfrDialogRun& run) {
        auto* copy = frCast<TfrStdControl>(run.page().findObject("Edit1"));
        ASSERT_TRUE(copy);
        RecordingPeer peer(*copy);
        frAnswerDialogPage(run, {});
        EXPECT_EQ(copy->left, 80);
        seen = peer.changes;
    };
    ASSERT_TRUE(build().ok());
    EXPECT_NE(std::find(seen.begin(), seen.end(), Change::Geometry), seen.end());
}

// ---------------------------------------------------------------- asking dialog pages

TEST_F(Controls, ModalResultDecidesWhetherTheReportIsBuilt) {
    control<TfrEditControl>("Edit1");
    auto& cancel = control<TfrButtonControl>("Button1");
    cancel.setModalResult(mrCancel);
    memo(0, "[Edit1.Text]", 1);
    page(1).script = QStringList{"Edit1.Text := 'отчёт';"};
    struct Case {
        const char* what;
        QString script;
        bool pressCancel;
        TfrBuildResult::Status status;
    };
    const Case cases[] = {Case{"no result: OK", "", false, TfrBuildResult::Status::Done},
                          Case{"script OK", "ModalResult := mrOk;", false, TfrBuildResult::Status::Done},
                          Case{"script cancel", "ModalResult := mrCancel;", false, TfrBuildResult::Status::Cancelled},
                          Case{"cancel button", "", true, TfrBuildResult::Status::Cancelled}};
    for (int i = 0; i < 8; ++i) {
        const bool twoPasses = i >= 4;
        const Case& c = cases[i % 4];
        SCOPED_TRACE(testing::Message() << c.what << (twoPasses ? ", two passes" : ""));
        // Asked once, in the first of two passes too.
        report.doublePassReport = twoPasses;
        page(0).script = c.script.isEmpty() ? QStringList() : QStringList{c.script};
        int asked = 0;
        frDialogAsker(engine) = [&](TfrDialogRun& run) {
            ++asked;
            run.activate();
            if (run.modalResult != mrNone)
                return; // a window is not shown then
            // The user presses a button with a result.
            auto* button = frCast<TfrButtonControl>(run.page().findObject("Button1"));
            run.modalResult = c.pressCancel && button->cancel ? button->modalResult : std::uint16_t(mrOk);
        };
        const TfrBuildResult result = build();
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(result.status, c.status);
        if (c.status == TfrBuildResult::Status::Cancelled) {
            EXPECT_EQ(result.pages, 0);
            EXPECT_EQ(frPreparedPages(report).count(), 0);
        } else {
            EXPECT_EQ(printed(), QStringList{"отчёт"});
        }
    }
}

TEST_F(Controls, PagesAreAskedInOrderAndOnlyWithVisibleControls) {
    // Dialog pages 0 (with an edit), 2 (hidden while 0 is asked) and 3 (no controls).
    control<TfrEditControl>("Edit1");
    page(0).name = "Shown";
    page(0).script = QStringList{"Order := 'a';"};
    TfrPage& hidden = addPage();
    hidden.pageType = ptDialog;
    hidden.name = "Hidden";
    hidden.script = QStringList{"Order := Order + 'b';"};
    control<TfrEditControl>("Edit2", 2);
    TfrPage& empty = addPage();
    empty.pageType = ptDialog;
    empty.name = "Empty";
    empty.script = QStringList{"Order := Order + 'c';"};
    memo(0, "[Order]", 1);
    std::vector<QString> asked;
    frDialogAsker(engine) = [&](TfrDialogRun& run) {
        asked.push_back(run.page().name);
        frAnswerDialogPage(run, {});
        // Page visibility is not stored: the build's copy of the page is
        // hidden while the first page is asked.
        TfrPage& third = *run.page().findObject("Edit1")->report()->pages().page(2);
        ASSERT_EQ(third.name, "Hidden");
        third.visible = false;
    };
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(asked, std::vector<QString>{page(0).name});
    EXPECT_EQ(printed(), QStringList{"abc"});
}

TEST_F(Controls, ClickRunsTheControlScript) {
    auto& button = control<TfrButtonControl>("Button1");
    button.script = QStringList{"Edit1.Text := 'нажата';"};
    control<TfrEditControl>("Edit1");
    auto& broken = control<TfrButtonControl>("Button2");
    broken.script = QStringList{"if then"};
    memo(0, "[Edit1.Text]", 1);
    frDialogAsker(engine) = [](TfrDialogRun& run) {
        run.activate();
        run.click(*run.page().findObject("Button2")); // does not compile: nothing happens
        run.click(*run.page().findObject("Button1"));
        run.modalResult = mrOk;
    };
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(printed(), QStringList{"нажата"});
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ControlSettings, Parsing) {
    struct Case {
        const char* text;
        bool ok;
        const char* control;
        const char* property;
        const char* value;
    };
    for (const Case& c : {Case{"Edit1.Text=Тула", true, "Edit1", "Text", "Тула"},
                          Case{"Edit1.Text=a=b.c", true, "Edit1", "Text", "a=b.c"},
                          Case{"Edit1.Text=", true, "Edit1", "Text", ""},
                          Case{"ComboBox1.Items.Count=2", true, "ComboBox1", "Items.Count", "2"},
                          Case{"Edit1=Тула", false, "", "", ""}, Case{".Text=1", false, "", "", ""},
                          Case{"Edit1.=1", false, "", "", ""}, Case{"Edit1.Text", false, "", "", ""}}) {
        SCOPED_TRACE(c.text);
        TfrControlSetting s;
        ASSERT_EQ(frParseControlSetting(QString::fromUtf8(c.text), s), c.ok);
        if (c.ok) {
            EXPECT_EQ(std::tuple(s.control, s.property, s.value),
                      std::tuple(QString::fromUtf8(c.control), QString::fromUtf8(c.property), QString::fromUtf8(c.value)));
        }
    }
}

// ---------------------------------------------------------------- headless builds

TEST_F(Controls, CliBuildsWithoutWindowsAndSetsControls) {
    control<TfrEditControl>("Edit1").text = "Москва";
    auto& check = control<TfrCheckBoxControl>("CheckBox1");
    memo(0, "[Edit1.Text] [CheckBox1.Checked]", 1);
    (void)check;
    QTemporaryDir dir;
    const QString frf = dir.filePath("dialog.frf");
    report.saveToFile(frf);
    const QString txt = dir.filePath("out.txt");

    struct Case {
        QStringList settings;
        int status;
        QString printed; // or the error's beginning
    };
    for (const Case& c : {Case{{}, 0, "Москва False"},
                          Case{{"Edit1.Text=Тула", "CheckBox1.Checked=1"}, 0, "Тула True"},
                          Case{{"edit1.text=Рязань"}, 0, "Рязань False"},
                          Case{{"Edit9.Text=1"}, 2, "--set-control: в диалоговых формах отчёта нет элемента «Edit9»"},
                          Case{{"Edit1.Caption=1"}, 2, "--set-control: у элемента «Edit1» нет изменяемого свойства"},
                          Case{{"Edit1"}, 2, "--set-control: ожидается"}}) {
        SCOPED_TRACE(c.settings.join(' ').toStdString());
        QStringList args{"--report", frf, "--export", "txt", txt};
        for (const QString& s : c.settings)
            args << "--set-control" << s;
        QFile::remove(txt);
        QString out, err;
        QTextStream o(&out), e(&err);
        ASSERT_EQ(runCli(args, o, e), c.status) << err.toStdString();
        if (c.status != 0) {
            EXPECT_TRUE(err.contains(c.printed)) << err.toStdString();
            continue;
        }
        const QString text = cp1251::decode(textfile::readFile(txt, 1 << 20));
        EXPECT_TRUE(text.contains(c.printed)) << text.toStdString();
    }
}

// The demo template with a dialog page over the demo configuration: all
// substations by default, one with --set-control.
TEST(DemoDialogReport, PrintsTheChosenSubstation) {
    QTemporaryDir dir;
    const QString txt = dir.filePath("out.txt");
    auto rows = [&](const QStringList& extra) {
        QStringList args{"--report", OSTRAND_EXAMPLES_DIR "/settings/substation.frf", "--server", "DEMO-NT", "--tm",
                         "TM1", "--user", "engineer", "--password", "demo", "--settings",
                         OSTRAND_EXAMPLES_DIR "/settings/substation.cfg", "--export", "txt", txt};
        QString out, err;
        QTextStream o(&out), e(&err);
        EXPECT_EQ(runCli(args + extra, o, e), 0) << err.toStdString();
        QStringList found;
        for (const QString& line : cp1251::decode(textfile::readFile(txt, 16 << 20)).split(u'\n'))
            if (line.trimmed().startsWith("ПС ") || line.contains("Точки телемеханики:"))
                found << line.simplified();
        return found;
    };
    const QStringList all = rows({});
    ASSERT_FALSE(all.isEmpty());
    EXPECT_EQ(all.front(), "Точки телемеханики: Все подстанции");
    const QStringList one = rows({"--set-control", "ComboBox1.Text=ПС 110 кВ Горная"});
    ASSERT_GT(one.size(), 1);
    EXPECT_EQ(one.front(), "Точки телемеханики: ПС 110 кВ Горная");
    EXPECT_LT(one.size(), all.size());
    for (const QString& row : one.mid(1))
        EXPECT_TRUE(row.startsWith("ПС 110 кВ Горная ")) << row.toStdString();
}

} // namespace
