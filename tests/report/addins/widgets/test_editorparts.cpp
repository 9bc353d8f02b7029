// The questions the add-in editors ask: the field picker and the expression
// builder, driven through their controls, and how answers go into a text.

#include "editorfixture.h"

#include "report/memdata/memtablesource.h"
#include "table/memtable.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {

class EditorParts : public AddInEditorTest {
public:
    EditorParts() {
        first.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
        first.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        second.addFieldDef(QStringLiteral("Key"), TFieldType::String, 5);
        registry.addTable(&firstSource);
        registry.addTable(&secondSource);
        report.setDataRegistry(&registry);
    }
    ~EditorParts() override { report.setDataRegistry(nullptr); }

    static void choose(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->setCurrentItem(items.first());
    }

    TMemTable first{QStringLiteral("DS")};
    TMemTable second{QStringLiteral("DS2")};
    TfrMemTableSource firstSource{first};
    TfrMemTableSource secondSource{second};
    TfrDataRegistry registry{QStringLiteral("frmMain")};
};

TEST_F(EditorParts, TheFieldPickerListsDatasetsAndFieldsAndOpensOnTheDatasetChosenLast) {
    whenModal([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Выбор поля БД"));
        auto* datasets = child<QListWidget>(d, "Datasets");
        auto* fields = child<QListWidget>(d, "Fields");
        ASSERT_EQ(datasets->count(), 2);
        choose(datasets, "DS");
        EXPECT_EQ(fields->count(), 2);
        choose(fields, "Qty");
        ok(d);
    });
    EXPECT_EQ(saved.field(report, nullptr), std::optional<QString>(QStringLiteral("DS.\"Qty\"")));

    whenModal([](QDialog& d) {
        auto* datasets = child<QListWidget>(d, "Datasets");
        EXPECT_EQ(datasets->currentItem()->text(), QStringLiteral("DS"));
        choose(datasets, "DS2");
        EXPECT_EQ(child<QListWidget>(d, "Fields")->currentItem()->text(), QStringLiteral("Key"));
        cancel(d);
    });
    EXPECT_EQ(saved.field(report, nullptr), std::nullopt);
}

TEST_F(EditorParts, TheExpressionBuilderTakesFieldReferencesBracketedUnlessTheyArePlainNames) {
    struct Case {
        const char* typed;
        std::optional<QString> field;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"1 + ", QStringLiteral("DS.\"Name\""), QStringLiteral("1 + [DS.\"Name\"]")},
        {"", QStringLiteral("Total_2.Sum"), QStringLiteral("Total_2.Sum")},
        {"", QStringLiteral("Машина"), QStringLiteral("[Машина]")},
        {"  ", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        field = c.field;
        whenModal([&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Вставка выражения"));
            auto* edit = child<QPlainTextEdit>(d, "Expression");
            edit->setPlainText(c.typed);
            edit->moveCursor(QTextCursor::End);
            child<QAbstractButton>(d, "InsertField")->click();
            ok(d);
        });
        EXPECT_EQ(saved.expression(report, nullptr), c.expected);
    }
}

TEST_F(EditorParts, AnExpressionIsBracketedUnlessItIsOneBracketedExpression) {
    const std::pair<const char*, const char*> cases[] = {
        {"[A]", "[A]"},
        {"A", "[A]"},
        {"[A] + [B]", "[[A] + [B]]"},
        {"[A", "[[A]"},
        {"A]", "[A]]"},
        {"[DS.\"Name\"]", "[DS.\"Name\"]"},
        {"[IF([A] > 0)]", "[[IF([A] > 0)]]"},
    };
    for (const auto& [given, expected] : cases)
        EXPECT_EQ(frBracketed(QString::fromUtf8(given)), QString::fromUtf8(expected)) << given;
}

} // namespace
