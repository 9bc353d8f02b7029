#pragma once

#include "app/formstorage.h"
#include "app/widgetplacement.h"

#include <QByteArray>
#include <QDialog>
#include <functional>
#include <memory>

class QLineEdit;
class QPushButton;

// The connection dialog: NT server, TM server, user and password. Its fields
// are the program's only copy of the connection settings; the selection reads
// ServerE and TmsE from it. Placement and the two server names are restored
// before every showing and stored at every closing.
class TLoginDlg : public QDialog {
    Q_OBJECT
public:
    // The longest NT server name the configuration library accepts (its buffers
    // hold 128 characters and a terminating zero).
    static constexpr int MaxServerNameLength = 128;

    // Hands user name and password (code page 1251 bytes) to the library.
    using SetUserFunction = std::function<void(const QByteArray& user, const QByteArray& password)>;

    explicit TLoginDlg(QWidget* parent = nullptr);
    ~TLoginDlg() override;

    QLineEdit* ServerE;
    QLineEdit* TmsE;
    QLineEdit* UserE;
    QLineEdit* PasswordE;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    QString ntServer() const;
    QString tmServer() const;
    QString user() const;
    QString password() const;

    // Replaces the call of hvsSetUser (tests count the calls).
    void setSetUserFunction(SetUserFunction function);
    // The default: hvsSetUser of the configuration library in use.
    static void librarySetUser(const QByteArray& user, const QByteArray& password);

    TFormStorage& FormStorage1() { return *m_storage; }

    // The handler of "Соединиться": refuses an NT server name the library cannot
    // take, tells the library the user (when one is given) and closes with OK.
    void confirm();

    static QString caption();

protected:
    void showEvent(QShowEvent* event) override;

public slots:
    void done(int result) override;

private:
    SetUserFunction m_setUser;
    std::unique_ptr<TWidgetPlacementTarget> m_target;
    std::unique_ptr<TFormStorage> m_storage;
};
