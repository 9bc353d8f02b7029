#pragma once

// What the programs writing the example templates share: the report being
// written with the page being filled, objects added to it by kind, bands as
// wide as the A4 page, memos in Arial; and their main, which writes the
// template to the one file named on the command line.

#include "common/exception.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QCoreApplication>
#include <QTextStream>
#include <functional>
#include <memory>

// Left and right edge of the printed area in report pixels (A4, 10 mm margins).
constexpr int kLeft = 38, kRight = 718;
// A frame on all four sides.
constexpr std::uint16_t kBox = frftLeft | frftTop | frftRight | frftBottom;

// A column of a list: its caption, the text of its cells, width and alignment.
struct TColumn {
    const char16_t* caption;
    const char16_t* value;
    int width;
    std::uint32_t alignment;
    bool hideZeros = false; // a value of 0 leaves the cell empty
};

class TExampleTemplate {
public:
    explicit TExampleTemplate(TfrEngine& engine) : m_engine(engine), m_report(engine) {}

    TfrReport& report() { return m_report; }
    // A new page, the one objects go to from now on.
    TfrPage& addPage() {
        m_page = m_report.pages().page(m_report.pages().add());
        return *m_page;
    }

    template <class T>
    T& add(int kind, const QString& name, int left, int top, int width, int height, const QString& className = {}) {
        std::unique_ptr<TfrView> view = m_engine.createObject(kind, className);
        T& object = static_cast<T&>(*view);
        object.setName(name);
        object.setBounds(left, top, width, height);
        m_page->add(std::move(view));
        return object;
    }

    TfrBandView& band(const char* name, int type, int top, int height, const QString& source = {}) {
        auto& band = add<TfrBandView>(gtBand, QString::fromLatin1(name), 0, top, kRight + 40, height);
        band.setBandType(type);
        band.setDataSourceName(source);
        return band;
    }

    // Memo1, Memo2, ... in the order written.
    TfrMemoView& memo(int left, int top, int width, int height, const QString& text, std::uint32_t alignment = frtaLeft,
                      std::uint16_t style = 0, int size = 10, std::uint16_t frame = frftNone) {
        auto& memo = add<TfrMemoView>(gtMemo, QStringLiteral("Memo%1").arg(++m_memos), left, top, width, height);
        memo.memo = QStringList{text};
        memo.alignment = alignment;
        memo.font.name = QStringLiteral("Arial");
        memo.font.size = size;
        memo.font.style = style;
        memo.frameTyp = frame;
        return memo;
    }

private:
    TfrEngine& m_engine;
    TfrReport m_report;
    TfrPage* m_page = nullptr;
    int m_memos = 0;
};

// The main of a template writer `program`: `write` fills the template over a
// fresh engine, which is then saved to the file named on the command line.
// Exit status 2 for a wrong command line, 1 when writing failed.
inline int frWriteExampleTemplate(int argc, char** argv, const char* program,
                                  const std::function<void(TfrEngine& engine, TExampleTemplate& t)>& write) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        err << "Ожидается: " << program << " OUT.frf\n";
        return 2;
    }
    try {
        TfrEngine engine;
        TExampleTemplate t(engine);
        write(engine, t);
        t.report().saveToFile(args[0]);
    } catch (const Exception& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
