#include "app/logindlg.h"

#include "app/registrykeys.h"
#include "common/cp1251.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "selection/configaccess/configapi.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QLabel* fieldLabel(const QString& text, QLineEdit* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

} // namespace

QString TLoginDlg::caption() { return QStringLiteral("Соединиться с сервером"); }

TLoginDlg::TLoginDlg(QWidget* parent) : QDialog(parent), m_setUser(&TLoginDlg::librarySetUser) {
    setObjectName(QStringLiteral("LoginDlg"));
    setWindowTitle(caption());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    ServerE = new QLineEdit(this);
    ServerE->setObjectName(QStringLiteral("ServerE"));
    TmsE = new QLineEdit(this);
    TmsE->setObjectName(QStringLiteral("TmsE"));
    UserE = new QLineEdit(this);
    UserE->setObjectName(QStringLiteral("UserE"));
    PasswordE = new QLineEdit(this);
    PasswordE->setObjectName(QStringLiteral("PasswordE"));
    PasswordE->setEchoMode(QLineEdit::Password);
    for (QLineEdit* edit : {ServerE, TmsE, UserE, PasswordE})
        edit->setMinimumWidth(180);

    btnOk = new QPushButton(QStringLiteral("Соединиться"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnOk->setAutoDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    fields->addWidget(fieldLabel(QStringLiteral("NT-сервер"), ServerE, this), 0, 0);
    fields->addWidget(ServerE, 0, 1);
    fields->addWidget(fieldLabel(QStringLiteral("ТМ-сервер"), TmsE, this), 1, 0);
    fields->addWidget(TmsE, 1, 1);
    fields->addWidget(fieldLabel(QStringLiteral("Пользователь"), UserE, this), 2, 0);
    fields->addWidget(UserE, 2, 1);
    fields->addWidget(fieldLabel(QStringLiteral("Пароль"), PasswordE, this), 3, 0);
    fields->addWidget(PasswordE, 3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    // Fixed border: the dialog takes the size of its contents and keeps it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(ServerE, TmsE);
    setTabOrder(TmsE, UserE);
    setTabOrder(UserE, PasswordE);
    setTabOrder(PasswordE, btnOk);
    setTabOrder(btnOk, btnCancel);

    connect(btnOk, &QPushButton::clicked, this, &TLoginDlg::confirm);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_target = std::make_unique<TWidgetPlacementTarget>(this, false, true);
    m_storage = std::make_unique<TFormStorage>(*m_target, regkeys::LoginDlgBase, QStringLiteral("TLoginDlg"));
    m_storage->addStoredProperty(
        ServerE->objectName(), QStringLiteral("Text"), [this] { return ServerE->text(); },
        [this](const QString& v) { ServerE->setText(v); });
    m_storage->addStoredProperty(
        TmsE->objectName(), QStringLiteral("Text"), [this] { return TmsE->text(); },
        [this](const QString& v) { TmsE->setText(v); });
}

TLoginDlg::~TLoginDlg() { m_storage->windowDestroyed(); }

QString TLoginDlg::ntServer() const { return ServerE->text(); }
QString TLoginDlg::tmServer() const { return TmsE->text(); }
QString TLoginDlg::user() const { return UserE->text(); }
QString TLoginDlg::password() const { return PasswordE->text(); }

void TLoginDlg::setSetUserFunction(SetUserFunction function) {
    m_setUser = function ? std::move(function) : SetUserFunction(&TLoginDlg::librarySetUser);
}

void TLoginDlg::librarySetUser(const QByteArray& user, const QByteArray& password) {
    THalvexApi::instance().setUser(user.constData(), password.constData());
}

void TLoginDlg::confirm() {
    if (ServerE->text().size() > MaxServerNameLength) {
        TUserInteraction::current().showError(
            QStringLiteral("Имя NT-сервера длиннее %1 символов; библиотека доступа к конфигурации его не примет.")
                .arg(MaxServerNameLength));
        ServerE->setFocus();
        return;
    }
    // The library takes code page 1251: another character would reach it as
    // "?" and match another password.
    for (QLineEdit* edit : {UserE, PasswordE}) {
        if (!cp1251::isRepresentable(edit->text())) {
            TUserInteraction::current().showError(
                QStringLiteral("Имя пользователя и пароль могут содержать только символы кодовой страницы 1251 "
                               "(латинские и русские буквы, цифры, знаки препинания)."));
            edit->setFocus();
            return;
        }
    }
    if (!UserE->text().isEmpty()) {
        try {
            m_setUser(cp1251::encode(UserE->text()), cp1251::encode(PasswordE->text()));
        } catch (const Exception& e) {
            // The library could not be reached: the dialog stays open, so the
            // user can clear the user name or cancel.
            TUserInteraction::current().showError(e.message());
            return;
        }
    }
    accept();
}

void TLoginDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        m_storage->windowShown();
    QDialog::showEvent(event);
}

void TLoginDlg::done(int result) {
    // Every way of closing (either button, Escape, the close box) ends here.
    m_storage->closeQuery(true, testAttribute(Qt::WA_WState_Created));
    QDialog::done(result);
}
