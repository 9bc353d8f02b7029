// "OLE объект" driven through its controls.

#include "editorfixture.h"

#include "report/addins/oleview.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

class OleEditor : public AddInEditorTest {
public:
    OleEditor() {
        compound = TfrOleDocument::storageSignature;
        for (int i = 0; compound.size() < 100 * 1024; ++i)
            compound.append(char(i * 7 % 251));
        write(QStringLiteral("doc.ole"), compound);
        write(QStringLiteral("plain.txt"), "not a compound file");
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static void click(QDialog& d, const char* name) { child<QPushButton>(d, name)->click(); }

    QTemporaryDir dir;
    QByteArray compound;
};

TEST_F(OleEditor, CloseTakesWhatTheButtonsLeftAndCancelNothing) {
    TfrOleDocument held;
    held.held = true;
    held.aspect = 4;
    held.storage = TfrOleDocument::storageSignature + QByteArray("old");
    struct Case {
        const char* name;
        bool startHeld;
        std::function<void(QDialog&, OleEditor&)> drive;
        bool closed;  // with "&Закрыть", else "Отмена"
        int expected; // 0 nothing held, 1 the file, 2 as before
        int errors;
    };
    const Case cases[] = {
        {"a compound file inserted", false,
         [](QDialog& d, OleEditor& t) {
             t.openFile = t.path("doc.ole");
             click(d, "Insert");
             EXPECT_TRUE(child<QLabel>(d, "State")->text().contains(QStringLiteral("102400 байт")));
         },
         true, 1, 0},
        {"a compound file replaces the one held", true,
         [](QDialog& d, OleEditor& t) {
             t.openFile = t.path("doc.ole");
             click(d, "Insert");
         },
         true, 1, 0},
        {"the held document removed", true,
         [](QDialog& d, OleEditor&) {
             click(d, "Remove");
             EXPECT_EQ(child<QLabel>(d, "State")->text(), QStringLiteral("Документ не вставлен"));
             EXPECT_FALSE(child<QPushButton>(d, "Save")->isEnabled());
         },
         true, 0, 0},
        {"a file that is no compound file", true,
         [](QDialog& d, OleEditor& t) {
             t.openFile = t.path("plain.txt");
             click(d, "Insert");
         },
         true, 2, 1},
        {"a folder and a missing file", true,
         [](QDialog& d, OleEditor& t) {
             t.openFile = t.dir.path();
             click(d, "Insert");
             t.openFile = t.path("missing.ole");
             click(d, "Insert");
         },
         true, 2, 2},
        {"the file question cancelled", false,
         [](QDialog& d, OleEditor& t) {
             t.openFile.clear();
             click(d, "Insert");
         },
         true, 0, 0},
        {"an insert cancelled with the window", true,
         [](QDialog& d, OleEditor& t) {
             t.openFile = t.path("doc.ole");
             click(d, "Insert");
         },
         false, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& ole = add<TfrOLEView>(QStringLiteral("Ole1"), 0, 0, 80, 60);
        if (c.startHeld)
            ole.document = held;
        const TfrOleDocument before = ole.document;
        ui.messages.clear();
        const Run run = edit(ole, [&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("OLE объект"));
            c.drive(d, *this);
            click(d, c.closed ? "Close" : "Cancel");
        });
        EXPECT_EQ(int(ui.messages.size()), c.errors);
        switch (c.expected) {
        case 0: EXPECT_FALSE(ole.document.held); break;
        case 1:
            EXPECT_TRUE(ole.document.held);
            EXPECT_EQ(ole.document.aspect, 1u);
            EXPECT_EQ(ole.document.storage, compound);
            break;
        default: EXPECT_EQ(ole.document, before); break;
        }
        const bool changed = !(ole.document == before);
        EXPECT_EQ(run.changed, changed);
        EXPECT_EQ(doc->undoStack().count(), changed ? 1 : 0);
        if (changed) {
            ASSERT_TRUE(doc->undo());
            EXPECT_EQ(frCast<TfrOLEView>(report.findObject(QStringLiteral("Ole1")))->document, before);
        }
        report.pages().page(0)->clear();
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }
}

TEST_F(OleEditor, SaveWritesTheHeldCompoundFileAsItIs) {
    auto& ole = add<TfrOLEView>(QStringLiteral("Ole1"), 0, 0, 80, 60);
    ole.loadDocument(path("doc.ole"));
    const Run run = edit(ole, [this](QDialog& d) {
        EXPECT_TRUE(child<QPushButton>(d, "Save")->isEnabled());
        saveFile = path("out.ole");
        click(d, "Save");
        // A target that is a folder is refused with a message.
        saveFile = dir.path();
        click(d, "Save");
        click(d, "Close");
    });
    EXPECT_FALSE(run.changed);
    QFile out(path("out.ole"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), compound);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(OleEditor, SaysThatItCannotShowOrEditTheDocument) {
    auto& ole = add<TfrOLEView>(QStringLiteral("Ole1"), 0, 0, 80, 60);
    edit(ole, [](QDialog& d) {
        EXPECT_TRUE(child<QLabel>(d, "Note")->text().contains(QStringLiteral("нельзя показать")));
        EXPECT_FALSE(child<QPushButton>(d, "Save")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(d, "Remove")->isEnabled());
        click(d, "Cancel");
    });
}

} // namespace
