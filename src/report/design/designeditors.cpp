#include "report/design/designeditors.h"

#include "common/exception.h"
#include "common/textfile.h"
#include "report/design/designdoc.h"
#include "report/design/objectrecord.h"
#include "report/expr/interpreter.h"
#include "report/model/constants.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"

#include <QRegularExpression>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Applies `change` to a scratch copy of the object; only when the copy can be
// stored and differs from the object is one change entry recorded and the
// object given the copy's values.
bool applyToCopy(TfrDesignDocument& document, TfrView& view, const std::function<void(TfrView&)>& change) {
    if (view.parentPage() != &document.page())
        return false;
    std::unique_ptr<TfrView> scratch = view.objectClass().create();
    scratch->assign(view);
    scratch->setName(view.name());
    change(*scratch);
    QByteArray record;
    try {
        record = frdesign::objectRecord(*scratch);
    } catch (const Exception& e) {
        // A value the template cannot hold: the object stays as it was.
        document.engine().interaction().showError(e.message());
        return false;
    }
    if (frdesign::sameRecord(view, record))
        return false;
    document.recordChange({&view});
    view.assign(*scratch);
    return true;
}

// The record count a text that starts with a digit 1-9 gives: its leading
// digits, held to the counts a virtual source takes.
int countOf(const QString& text) {
    qsizetype n = 0;
    while (n < text.size() && text[n].isDigit() && text[n].unicode() < 128)
        ++n;
    bool ok = false;
    const qlonglong v = text.left(std::min<qsizetype>(n, 12)).toLongLong(&ok);
    if (!ok || n > 12)
        return kMaxVirtualCount;
    return int(std::clamp<qlonglong>(v, kMinVirtualCount, kMaxVirtualCount));
}

const QStringList& threeLines() {
    static const QStringList lines = {QStringLiteral("begin"), QString(), QStringLiteral("end")};
    return lines;
}

// Lines of a pane's text: lines end at "\n"; an empty text has none.
QStringList paneLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t.split(u'\n');
}

} // namespace

// ---------------------------------------------------------------- band sources

QString frNoSourceEntry() { return QStringLiteral("[Нет]"); }
QString frVirtualSourceEntry() { return QStringLiteral("Виртуальный"); }

bool frIsDataBandType(int bandType) {
    return bandType == btMasterData || bandType == btDetailData || bandType == btSubDetailData;
}

bool frCrossListsBandType(int bandType) {
    return !(bandType <= btPageFooter || bandType == btOverlay ||
             (bandType >= btCrossHeader && bandType <= btCrossFooter));
}

QStringList frBandSourceChoices(const TfrDataDictionary& dictionary) {
    QStringList choices = {frNoSourceEntry(), frVirtualSourceEntry()};
    choices += dictionary.bandSourceList();
    return choices;
}

TfrBandSource frReadBandSource(const TfrDataDictionary& dictionary, const QString& text) {
    if (!text.isEmpty() && text[0] >= u'1' && text[0] <= u'9')
        return {frVirtualSourceEntry(), countOf(text)};
    const QString alias = dictionary.aliasName(text);
    for (const QString& entry : dictionary.bandSourceList())
        if (sameName(entry, alias))
            return {entry, 1};
    return {frNoSourceEntry(), 1};
}

QString frBandSourceText(const TfrDataDictionary& dictionary, const TfrBandSource& source) {
    if (source.entry == frVirtualSourceEntry())
        return QString::number(std::clamp(source.count, kMinVirtualCount, kMaxVirtualCount));
    if (source.entry == frNoSourceEntry())
        return source.entry;
    return dictionary.realDataSourceName(source.entry);
}

bool frSetBandSource(TfrDesignDocument& document, TfrBandView& band, const TfrBandSource& source) {
    if (!frIsDataBandType(band.bandType()))
        return false;
    const QString text = frBandSourceText(document.report().dictionary(), source);
    return applyToCopy(document, band, [&text](TfrView& v) { static_cast<TfrBandView&>(v).setDataSourceName(text); });
}

std::vector<TfrBandView*> frCrossListedBands(const TfrPage& page) {
    std::vector<TfrBandView*> bands;
    for (const auto& v : page.objects())
        if (auto* band = frCast<TfrBandView>(v.get()); band && frCrossListsBandType(band->bandType()))
            bands.push_back(band);
    return bands;
}

QString frCrossBandCaption(const TfrBandView& band) {
    return band.name() + QStringLiteral(": ") + frBandName(band.bandType());
}

std::vector<TfrBandSource> frReadCrossSources(const TfrDataDictionary& dictionary,
                                              const std::vector<TfrBandView*>& bands, const QString& text) {
    std::vector<TfrBandSource> sources;
    if (!text.contains(u';')) {
        const TfrBandSource all = frReadBandSource(dictionary, text);
        sources.assign(bands.size(), all);
        return sources;
    }
    const QStringList pairs = text.split(u';', Qt::SkipEmptyParts);
    for (const TfrBandView* band : bands) {
        TfrBandSource source{frNoSourceEntry(), 1};
        for (const QString& pair : pairs) {
            const qsizetype eq = pair.indexOf(u'=');
            if (eq > 0 && sameName(pair.left(eq).trimmed(), band->name())) {
                source = frReadBandSource(dictionary, pair.mid(eq + 1));
                break;
            }
        }
        sources.push_back(source);
    }
    return sources;
}

QString frCrossSourceText(const TfrDataDictionary& dictionary, const std::vector<TfrBandView*>& bands,
                          const std::vector<TfrBandSource>& sources) {
    QString text;
    for (std::size_t i = 0; i < bands.size() && i < sources.size(); ++i)
        text += bands[i]->name() + u'=' + frBandSourceText(dictionary, sources[i]) + u';';
    return text;
}

bool frSetCrossSources(TfrDesignDocument& document, TfrBandView& band, const std::vector<TfrBandSource>& sources) {
    if (band.bandType() != btCrossData || !band.parentPage())
        return false;
    const std::vector<TfrBandView*> bands = frCrossListedBands(*band.parentPage());
    if (bands.empty() || bands.size() != sources.size())
        return false;
    const QString text = frCrossSourceText(document.report().dictionary(), bands, sources);
    return applyToCopy(document, band, [&text](TfrView& v) { static_cast<TfrBandView&>(v).setDataSourceName(text); });
}

bool frSetGroupCondition(TfrDesignDocument& document, TfrBandView& band, const QString& condition) {
    if (band.bandType() != btGroupHeader)
        return false;
    return applyToCopy(document, band,
                       [&condition](TfrView& v) { static_cast<TfrBandView&>(v).setDataSourceName(condition); });
}

// ---------------------------------------------------------------- text editor

bool frTextEditorHasText(const TfrView& view) {
    return !frCast<TfrBandView>(&view) && !frCast<TfrControl>(&view);
}

QString frTextEditorText(const TfrView& view) { return view.memo.join(u'\n'); }

QString frTextEditorScript(const TfrView& view) {
    return (view.script.isEmpty() ? threeLines() : view.script).join(u'\n');
}

QStringList frStoredScript(const QString& text) {
    const QStringList lines = paneLines(text);
    if (lines.size() == 3) {
        bool same = true;
        for (int i = 0; i < 3; ++i)
            same = same && lines[i].trimmed().compare(threeLines()[i], Qt::CaseInsensitive) == 0;
        if (same)
            return {};
    }
    return lines;
}

bool frCheckScript(const QString& script, TfrScriptError& error) {
    TfrInterpretator compiler;
    QStringList code, errors;
    if (compiler.prepareCode(paneLines(script), code, errors))
        return true;
    error = TfrScriptError();
    error.text = errors.value(0);
    static const QRegularExpression position(QStringLiteral("^Line (\\d+)/(\\d+):"));
    if (const QRegularExpressionMatch m = position.match(error.text); m.hasMatch()) {
        error.line = m.captured(1).toInt();
        error.column = m.captured(2).toInt();
    }
    return false;
}

TfrTextEditResult frApplyTextEditor(TfrDesignDocument& document, TfrView& view, const QString& text,
                                    const QString& script, const std::optional<QString>& tag) {
    TfrTextEditResult result;
    const bool textEditable = frTextEditorHasText(view) && !(view.restrictions & frrfDontEditMemo);
    const bool scriptEditable = !(view.restrictions & frrfDontEditScript);
    const bool textChanged = textEditable && text != frTextEditorText(view);
    const bool scriptChanged = scriptEditable && script != frTextEditorScript(view);
    if (scriptEditable && !frCheckScript(script, result.error)) {
        result.failed = true;
        return result;
    }
    result.changed = applyToCopy(document, view, [&](TfrView& v) {
        if (textChanged)
            v.memo = paneLines(text);
        if (scriptChanged)
            v.script = frStoredScript(script);
        if (tag && !(view.restrictions & frrfDontModify))
            v.tag = *tag;
    });
    return result;
}

// ---------------------------------------------------------------- pictures

QString frLoadPictureFile(const QString& fileName, TfrPicture& picture) {
    const TfrPicture::Kind kind = TfrPicture::kindOfFile(fileName);
    if (kind == TfrPicture::None)
        return QStringLiteral("Неизвестный формат рисунка: %1").arg(fileName);
    TfrPicture loaded;
    try {
        loaded.setData(kind, textfile::readFile(fileName, kMaxPictureFileSize));
    } catch (const Exception& e) {
        return e.message();
    }
    if (!loaded.error.isEmpty())
        return QStringLiteral("%1: %2").arg(fileName, loaded.error);
    picture = std::move(loaded);
    return QString();
}

bool frSetPicture(TfrDesignDocument& document, TfrView& view, const TfrPicture& picture) {
    if (!frCast<TfrPictureView>(&view))
        return false;
    return applyToCopy(document, view, [&picture](TfrView& v) { static_cast<TfrPictureView&>(v).picture = picture; });
}

// ---------------------------------------------------------------- formats

std::uint32_t frDialogFormatCode(int category, int type, const QString& digits, const QString& separator) {
    bool ok = false;
    int n = digits.trimmed().toInt(&ok);
    if (!ok)
        n = 0;
    const char16_t sep = separator.isEmpty() ? u',' : separator[0].unicode();
    return (std::uint32_t(category) << 24) + (std::uint32_t(type) << 16) + (std::uint32_t(n & 0xFF) << 8) +
           (std::uint32_t(sep) & 0xFF);
}

bool frSetDisplayFormat(TfrDesignDocument& document, TfrView& view, std::uint32_t format, const QString& formatText) {
    return applyToCopy(document, view, [&](TfrView& v) {
        v.format = format;
        v.formatStr = formatText;
    });
}

TfrHighlight frHighlightOf(const TfrView& view) {
    TfrHighlight h;
    if (const auto* memo = frCast<TfrMemoView>(&view)) {
        h.condition = memo->highlightStr;
        h.fontStyle = memo->highlight.fontStyle;
        h.fontColor = memo->highlight.fontColor;
        h.fillColor = memo->highlight.fillColor;
    }
    return h;
}

bool frSetHighlight(TfrDesignDocument& document, TfrView& view, const TfrHighlight& highlight) {
    if (!frCast<TfrMemoView>(&view))
        return false;
    return applyToCopy(document, view, [&highlight](TfrView& v) {
        auto& memo = static_cast<TfrMemoView&>(v);
        memo.highlightStr = highlight.condition;
        memo.highlight.fontStyle = highlight.fontStyle;
        memo.highlight.fontColor = highlight.fontColor;
        memo.highlight.fillColor = highlight.fillColor;
    });
}
