#include "app/filterdlg.h"
#include "app/logindlg.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "common/registry.h"
#include "testsupport.h"

#include <QHeaderView>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SetUserCall {
    QByteArray user;
    QByteArray password;
};

class LoginDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearRegistry();
        dlg.setSetUserFunction([this](const QByteArray& u, const QByteArray& p) { calls.push_back({u, p}); });
    }
    TLoginDlg dlg;
    std::vector<SetUserCall> calls;
    TRecordingInteraction interaction;
    TScopedInteraction scoped{interaction};
};

QString labelFor(const QWidget* field) {
    for (QLabel* label : field->parentWidget()->findChildren<QLabel*>())
        if (label->buddy() == field)
            return label->text();
    return QString();
}

} // namespace

TEST_F(LoginDlgTest, FieldsLabelsAndButtonsAsDesigned) {
    EXPECT_EQ(dlg.windowTitle(), u"Соединиться с сервером");
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("ServerE")), dlg.ServerE);
    EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("PasswordE")), dlg.PasswordE);
    EXPECT_EQ(labelFor(dlg.ServerE), u"NT-сервер");
    EXPECT_EQ(labelFor(dlg.TmsE), u"ТМ-сервер");
    EXPECT_EQ(labelFor(dlg.UserE), u"Пользователь");
    EXPECT_EQ(labelFor(dlg.PasswordE), u"Пароль");
    EXPECT_EQ(dlg.PasswordE->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg.UserE->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dlg.btnOk->text(), u"Соединиться");
    EXPECT_TRUE(dlg.btnOk->isDefault());
    EXPECT_EQ(dlg.btnCancel->text(), u"Отмена");

    // Top to bottom and in tab order.
    dlg.layout()->activate();
    EXPECT_LT(dlg.ServerE->y(), dlg.TmsE->y());
    EXPECT_LT(dlg.TmsE->y(), dlg.UserE->y());
    EXPECT_LT(dlg.UserE->y(), dlg.PasswordE->y());
    EXPECT_EQ(dlg.ServerE->nextInFocusChain(), dlg.TmsE);
    EXPECT_EQ(dlg.TmsE->nextInFocusChain(), dlg.UserE);
    EXPECT_EQ(dlg.UserE->nextInFocusChain(), dlg.PasswordE);
    EXPECT_EQ(dlg.PasswordE->nextInFocusChain(), dlg.btnOk);
    // Fixed border.
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
}

TEST_F(LoginDlgTest, ConfirmWithoutUserTellsTheLibraryNothing) {
    dlg.ServerE->setText(QStringLiteral("SRV"));
    dlg.PasswordE->setText(QStringLiteral("secret"));
    dlg.confirm();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(LoginDlgTest, ConfirmHandsUserAndPasswordInCodePage1251) {
    dlg.UserE->setText(QStringLiteral("Иван"));
    dlg.PasswordE->setText(QStringLiteral("пар ль"));
    dlg.confirm();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].user, QByteArray("\xC8\xE2\xE0\xED"));
    EXPECT_EQ(calls[0].password, QByteArray("\xEF\xE0\xF0\x20\xEB\xFC"));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(LoginDlgTest, CharactersOutsideTheCodePageAreRefused) {
    // They would reach the library as "?": a password of emoji would match "??".
    const QString emoji = QString::fromUtf8("\xF0\x9F\x94\x91");
    const struct {
        QString user, password;
    } cases[] = {{QStringLiteral("engineer"), emoji + emoji}, {QStringLiteral("Иван") + QChar(0x4E2D), QStringLiteral("demo")}};
    for (const auto& c : cases) {
        interaction.messages.clear();
        dlg.UserE->setText(c.user);
        dlg.PasswordE->setText(c.password);
        dlg.confirm();
        EXPECT_TRUE(calls.empty());
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        ASSERT_EQ(interaction.messages.size(), 1u);
        EXPECT_TRUE(interaction.messages[0].text.contains(u"1251"_qs));
    }
}

TEST_F(LoginDlgTest, OverlongServerNameIsRefused) {
    dlg.setResult(QDialog::Rejected);
    dlg.ServerE->setText(QString(129, u'S'));
    dlg.UserE->setText(QStringLiteral("engineer"));
    dlg.confirm();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].icon, TUserInteraction::ErrorIcon);

    dlg.ServerE->setText(QString(128, u'S'));
    dlg.confirm();
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(LoginDlgTest, LibraryFailureKeepsTheDialogOpen) {
    dlg.setResult(QDialog::Rejected);
    dlg.setSetUserFunction([](const QByteArray&, const QByteArray&) { throw Exception(QStringLiteral("нет библиотеки")); });
    dlg.UserE->setText(QStringLiteral("engineer"));
    dlg.confirm();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(interaction.texts(), (QStringList{"нет библиотеки"}));
}

TEST_F(LoginDlgTest, ServerNamesAreStoredAtClosingAndRestoredAtShowing) {
    const QString base = QStringLiteral("Software\\Velmora\\Ostrand\\LoginDlg");
    dlg.show(); // restores: nothing stored yet
    dlg.ServerE->setText(QStringLiteral("  SRV1 "));
    dlg.TmsE->setText(QStringLiteral("TM1"));
    dlg.UserE->setText(QStringLiteral("engineer"));
    dlg.reject(); // cancelling stores as well
    TRegistry registry(base);
    EXPECT_EQ(registry.readString(QStringLiteral("TLoginDlg"), QStringLiteral("ServerE_Text")), u"SRV1");
    EXPECT_EQ(registry.readString(QStringLiteral("TLoginDlg"), QStringLiteral("TmsE_Text")), u"TM1");
    EXPECT_FALSE(registry.valueExists(QStringLiteral("TLoginDlg"), QStringLiteral("UserE_Text")));
    EXPECT_TRUE(registry.valueExists(QStringLiteral("TLoginDlg"), QStringLiteral("NormPos")));

    TLoginDlg second;
    second.ServerE->setText(QStringLiteral("FROM-COMMAND-LINE"));
    second.show();
    EXPECT_EQ(second.ServerE->text(), u"SRV1");
    EXPECT_EQ(second.TmsE->text(), u"TM1");
    EXPECT_TRUE(second.UserE->text().isEmpty());
    second.reject();
}

TEST(FilterDlg, WindowAsDesigned) {
    TfrmFilter dlg;
    EXPECT_EQ(dlg.windowTitle(), u"Фильтр выборки");
    EXPECT_EQ(dlg.size(), QSize(307, 254));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_EQ(dlg.grid->size(), QSize(306, 218));
    EXPECT_EQ(dlg.grid->horizontalHeaderItem(0)->text(), u"Параметр");
    EXPECT_EQ(dlg.grid->horizontalHeaderItem(1)->text(), u"Значение");
    EXPECT_EQ(dlg.grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(dlg.btnOk->text(), u"OK");
    EXPECT_TRUE(dlg.btnOk->isDefault());
    EXPECT_EQ(dlg.btnCancel->text(), u"Отмена");
    EXPECT_LT(dlg.btnOk->x(), dlg.btnCancel->x());
    EXPECT_GT(dlg.btnOk->y(), dlg.grid->height());
    EXPECT_LE(dlg.btnCancel->geometry().right(), 307);
}

TEST(FilterDlg, RowsSplitAtTheFirstEqualsSign) {
    TfrmFilter dlg;
    dlg.setRows({QStringLiteral("Имя="), QStringLiteral("a=b=c"), QStringLiteral("Тип=ТС*"), QStringLiteral("bare")});
    ASSERT_EQ(dlg.rowCount(), 4);
    EXPECT_EQ(dlg.grid->item(1, 0)->text(), u"a");
    EXPECT_EQ(dlg.grid->item(1, 1)->text(), u"b=c");
    EXPECT_EQ(dlg.rows(), (QStringList{"Имя=", "a=b=c", "Тип=ТС*", "bare"}));

    // Keys are read-only, values editable.
    EXPECT_FALSE(dlg.grid->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(dlg.grid->item(0, 1)->flags() & Qt::ItemIsEditable);

    dlg.grid->item(0, 1)->setText(QStringLiteral("Ключ*"));
    dlg.grid->item(3, 1)->setText(QStringLiteral("x"));
    EXPECT_EQ(dlg.rowText(0), u"Имя=Ключ*");
    EXPECT_EQ(dlg.rowText(3), u"bare=x");
    EXPECT_TRUE(dlg.rowText(4).isEmpty());

    dlg.clearRows();
    dlg.addRow(QStringLiteral("k=v"));
    EXPECT_EQ(dlg.rows(), (QStringList{"k=v"}));
}

TEST(FilterDlg, CancelKeepsEditedValues) {
    TfrmFilter dlg;
    dlg.setRows({QStringLiteral("Имя=")});
    dlg.show();
    // Making the value cell current opens its editor.
    dlg.grid->setCurrentCell(0, 1);
    auto* editor = dlg.grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Т*"));
    dlg.reject();
    EXPECT_EQ(dlg.rowText(0), u"Имя=Т*");
}

TEST(FilterDlg, ExecuteOnWritesEditedRowsBackEvenWhenCancelled) {
    TfrmFilter dlg;
    QStringList rows{QStringLiteral("Имя="), QStringLiteral("Тип=ТС")};
    QTimer::singleShot(0, &dlg, [&] {
        dlg.grid->item(1, 1)->setText(QStringLiteral("ТИ*"));
        dlg.reject();
    });
    EXPECT_FALSE(dlg.executeOn(rows));
    EXPECT_EQ(rows, (QStringList{"Имя=", "Тип=ТИ*"}));
    QTimer::singleShot(0, &dlg, [&] { dlg.btnOk->click(); });
    EXPECT_TRUE(dlg.executeOn(rows));
    EXPECT_EQ(rows, (QStringList{"Имя=", "Тип=ТИ*"}));
}
