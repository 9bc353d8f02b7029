#include "app/cli/templateinfo.h"

#include "report/model/engine.h"
#include "report/model/report.h"

#include <QFileInfo>

QString frKindName(const TfrView& v) {
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

QString frOneLine(QString s) {
    s.replace(u'\r', QStringLiteral("\\r"));
    s.replace(u'\n', QStringLiteral("\\n"));
    return s;
}

QString frTemplateInfo(TfrEngine& engine, const QString& path, const TfrPasswordPrompt& password, bool* ok) {
    TfrReport report(engine);
    const TfrLoadResult result = report.loadFromFile(path, password);
    const QStringList& messages = result.messages;
    const bool loaded = result.whole();
    if (ok)
        *ok = loaded;
    QStringList out;
    out << (loaded ? QStringLiteral("OK") : QStringLiteral("FAILED"));
    out << QStringLiteral("File: %1").arg(path);
    if (result.version > 0)
        out << QStringLiteral("Version: %1").arg(result.version);
    out << QStringLiteral("Pages: %1").arg(report.pages().count());
    for (int i = 0; i < report.pages().count(); ++i) {
        const TfrPage& p = *report.pages().page(i);
        out << QStringLiteral("Page %1 \"%2\": %3, paper %4, %5 x %6, %7, objects %8")
                   .arg(i + 1)
                   .arg(frOneLine(p.name))
                   .arg(p.pageType == ptDialog ? QStringLiteral("dialog") : QStringLiteral("report"))
                   .arg(p.pSize)
                   .arg(p.pWidth)
                   .arg(p.pHeight)
                   .arg(p.orientation == poLandscape ? QStringLiteral("landscape") : QStringLiteral("portrait"))
                   .arg(p.count());
        for (const auto& v : p.objects())
            out << QStringLiteral("  %1 %2 \"%3\" at %4,%5 size %6 x %7")
                       .arg(frKindName(*v), v->className(), frOneLine(v->name()))
                       .arg(v->left)
                       .arg(v->top)
                       .arg(v->width)
                       .arg(v->height);
    }
    const TfrVariables& vars = report.dictionary().variables;
    out << QStringLiteral("Variables: %1").arg(vars.count());
    for (const TfrVariables::Entry& e : vars.entries())
        out << QStringLiteral("  \"%1\" = \"%2\"").arg(frOneLine(e.name), frOneLine(e.value.toString()));
    out << QStringLiteral("Messages: %1").arg(messages.size());
    for (const QString& m : messages)
        out << QStringLiteral("  ") + frOneLine(m);
    return out.join(u'\n') + u'\n';
}

QString frResaveTemplate(TfrEngine& engine, const QString& source, const QString& target,
                         const TfrPasswordPrompt& password) {
    TfrReport report(engine);
    const TfrLoadResult result = report.loadFromFile(source, password);
    if (!result.whole())
        return result.messages.join(u'\n');
    try {
        report.saveToFile(target.isEmpty() ? source : target);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}
