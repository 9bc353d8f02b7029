#pragma once

#include "common/exception.h"
#include "common/interaction.h"
#include "selection/selectionengine.h"

#include <QString>
#include <functional>

class QTextStream;
class TMemTable;
class TfrReport;

// What the commands of ostrand-cli share.

// Arguments a command cannot take (exit status 2).
class ECliArguments : public Exception {
public:
    using Exception::Exception;
};

// The value after the option at args[i] (i moves to it); ECliArguments when
// there is none.
QString cliValue(const QStringList& args, int& i);

// Runs a command's body and turns its errors into exit statuses: bad
// arguments (with the pointer to --help) 2, other errors 1, each message on err.
int runCliCommand(QTextStream& err, const std::function<int()>& body);

// Nobody is there to answer: messages go to err prefixed with their title,
// questions get the first button offered, input boxes are cancelled or, for
// scripts, get their preset text, so that nothing waits.
class TStreamInteraction : public TUserInteraction {
public:
    enum class Input { Cancel, Preset };
    explicit TStreamInteraction(QTextStream& err, Input input = Input::Cancel) : m_err(err), m_input(input) {}
    Button messageBox(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& preset) override;
    // Messages written so far.
    int count = 0;

private:
    QTextStream& m_err;
    Input m_input;
};

// Loads a template into a report; throws Exception with the reasons when it
// cannot be used.
void loadTemplateOrThrow(TfrReport& report, const QString& fileName);

// The window side of a selection without a window: masks from the command
// line ("Label=mask") instead of the filter dialog; the selection table, once
// made, instead of the grid.
class TCliSelectionHost : public TSelectionHost {
public:
    TCliSelectionHost(QString server, QString tm, QStringList masks = {})
        : m_server(std::move(server)), m_tm(std::move(tm)), m_masks(std::move(masks)) {}

    std::optional<QString> chooseSettingsFile() override { return std::nullopt; }
    // A mask naming no column cancels the selection and says so in badMask.
    bool showFilterDialog(TFilterRows& rows) override;
    QString ntServerName() const override { return m_server; }
    QString tmServerName() const override { return m_tm; }
    void setWindowTitle(const QString&) override {}
    void addRecentFile(const QString&) override {}
    void detachGrid() override { attached = nullptr; }
    void attachGrid(TMemTable& table) override { attached = &table; }
    void setStatusText(const QString& text) override { status = text; }

    TMemTable* attached = nullptr; // the selection, once made
    QString status;
    QString badMask;

private:
    QString m_server, m_tm;
    QStringList m_masks;
};

// Gives the configuration library the user of --user/--password (code page
// 1251; a name or password outside it is refused).
void setCliUser(const QString& user, const QString& password);

// The selection options of the report commands: --server NT, --tm TM,
// --user U, --password P, --settings FILE.cfg and --mask "Label=mask".
struct TCliSelectionOptions {
    QString server, tm, user, password, settings;
    QStringList masks;
    bool haveUser = false;

    // Takes the option at args[i] with its value when it is one of these
    // (--mask only when `masks` is allowed); false for any other option.
    bool take(const QStringList& args, int& i, bool masksAllowed = true);
    // A settings file needs the NT server.
    void check() const;
};

// Makes the selection the options ask for (nothing without --settings), as a
// user-started load whose masks come from the options: ECliArguments for a
// mask naming no column, Exception when no selection was made.
void makeCliSelection(TSelectionEngine& selection, TCliSelectionHost& host, const TCliSelectionOptions& options);
