#include "report/model/templateinfo.h"

#include "common/interaction.h"
#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QFileInfo>

namespace {

// Records message boxes and passes questions on to the interaction it replaced.
class TCollectingInteraction : public TUserInteraction {
public:
    explicit TCollectingInteraction(TUserInteraction& next) : m_next(next) {}
    QStringList messages;

    Button messageBox(const QString& text, const QString& title, Icon, Buttons buttons) override {
        messages << (title.isEmpty() ? text : title + QStringLiteral(": ") + text);
        for (Button b : {Ok, Yes, Retry, Ignore, No, Cancel, Abort})
            if (buttons & b)
                return b;
        return Ok;
    }
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText) override {
        return m_next.inputBox(caption, prompt, defaultText);
    }

private:
    TUserInteraction& m_next;
};

QString kindName(const TfrView& v) {
    switch (v.objectType) {
    case gtMemo:
        return QStringLiteral("memo");
    case gtPicture:
        return QStringLiteral("picture");
    case gtBand:
        return QStringLiteral("band");
    case gtSubReport:
        return QStringLiteral("subreport");
    case gtLine:
        return QStringLiteral("line");
    default:
        return QStringLiteral("addin");
    }
}

QString oneLine(QString s) {
    s.replace(u'\r', QStringLiteral("\\r"));
    s.replace(u'\n', QStringLiteral("\\n"));
    return s;
}

// Loads with messages collected; false when the load showed any message or the
// file could not be read.
bool loadCollecting(TfrReport& report, const QString& path, QStringList& messages) {
    TCollectingInteraction collector(TUserInteraction::current());
    TScopedInteraction scope(collector);
    const bool read = report.loadFromFile(path);
    messages = collector.messages;
    if (!read)
        messages << QStringLiteral("Cannot open file %1").arg(path);
    return read && messages.isEmpty();
}

} // namespace

QString frTemplateInfo(const QString& path, bool* ok) {
    TfrReport report;
    QStringList messages;
    const bool loaded = loadCollecting(report, path, messages);
    if (ok)
        *ok = loaded;
    QStringList out;
    out << (loaded ? QStringLiteral("OK") : QStringLiteral("FAILED"));
    out << QStringLiteral("File: %1").arg(path);
    if (const auto bytes = textfile::readBytes(path); bytes && !bytes->isEmpty()) {
        const int first = static_cast<unsigned char>(bytes->at(0));
        out << (first < 21 ? QStringLiteral("Version: 21 (no version byte)") : QStringLiteral("Version: %1").arg(first));
    }
    out << QStringLiteral("Pages: %1").arg(report.pages().count());
    for (int i = 0; i < report.pages().count(); ++i) {
        const TfrPage& p = *report.pages().page(i);
        out << QStringLiteral("Page %1 \"%2\": %3, paper %4, %5 x %6, %7, objects %8")
                   .arg(i + 1)
                   .arg(oneLine(p.name))
                   .arg(p.pageType == ptDialog ? QStringLiteral("dialog") : QStringLiteral("report"))
                   .arg(p.pSize)
                   .arg(p.pWidth)
                   .arg(p.pHeight)
                   .arg(p.orientation == poLandscape ? QStringLiteral("landscape") : QStringLiteral("portrait"))
                   .arg(p.count());
        for (const auto& v : p.objects())
            out << QStringLiteral("  %1 %2 \"%3\" at %4,%5 size %6 x %7")
                       .arg(kindName(*v), v->className(), oneLine(v->name()))
                       .arg(v->left)
                       .arg(v->top)
                       .arg(v->width)
                       .arg(v->height);
    }
    const TfrVariables& vars = report.dictionary().variables;
    out << QStringLiteral("Variables: %1").arg(vars.count());
    for (const TfrVariables::Entry& e : vars.entries())
        out << QStringLiteral("  \"%1\" = \"%2\"").arg(oneLine(e.name), oneLine(e.value.toString()));
    out << QStringLiteral("Messages: %1").arg(messages.size());
    for (const QString& m : messages)
        out << QStringLiteral("  ") + oneLine(m);
    return out.join(u'\n') + u'\n';
}

QString frResaveTemplate(const QString& source, const QString& target) {
    TfrReport report;
    QStringList messages;
    if (!loadCollecting(report, source, messages))
        return messages.join(u'\n');
    try {
        report.saveToFile(target.isEmpty() ? source : target);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}
