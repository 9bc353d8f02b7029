#include "report/design/designsettings.h"

#include "common/registry.h"

#include <QCoreApplication>
#include <algorithm>

QString frDesignerRegistryKey() {
    QString title = QCoreApplication::applicationName();
    if (title.isEmpty())
        title = QStringLiteral("Ostrand");
    return QStringLiteral("Software\\Folvent\\") + title;
}

QString frDesignerFormSection() { return QStringLiteral("Form\\TfrDesignerForm"); }

namespace {
const QString kInspectorSection = QStringLiteral("Form\\TfrInspForm");
} // namespace

void TfrDesignerSettings::read(const TRegistry& r) {
    const TfrDesignerSettings d;
    const QString s = frDesignerFormSection();
    gridShow = r.readBool(s, QStringLiteral("GridShow"), d.gridShow);
    gridAlign = r.readBool(s, QStringLiteral("GridAlign"), d.gridAlign);
    gridSize = r.readInteger(s, QStringLiteral("GridSize"), d.gridSize);
    if (!validGridSize(gridSize))
        gridSize = d.gridSize;
    const int u = r.readInteger(s, QStringLiteral("Units"), int(d.units));
    units = u >= 0 && u <= 2 ? TfrUnits(u) : d.units;
    grayButtons = r.readBool(s, QStringLiteral("GrayButtons"), d.grayButtons);
    editAfterInsert = r.readBool(s, QStringLiteral("EditAfterInsert"), d.editAfterInsert);
    selectionMode = r.readInteger(s, QStringLiteral("Selection"), d.selectionMode) == 0 ? 0 : 1;
    pagePosition = r.readInteger(s, QStringLiteral("PagePosition"), d.pagePosition);
    if (pagePosition != 3 && pagePosition != 4 && pagePosition != 5)
        pagePosition = d.pagePosition;
    bandTitles = r.readBool(s, QStringLiteral("BandTitles"), d.bandTitles);
    localizedPropNames = r.readBool(s, QStringLiteral("LocalizedPropNames"), d.localizedPropNames);
    unlimitedHeight = r.readBool(s, QStringLiteral("UnlimitedHeight"), d.unlimitedHeight);
    disableUndo = r.readBool(s, QStringLiteral("DisableUndo"), d.disableUndo);
    syntaxHighlight = r.readBool(s, QStringLiteral("SyntaxHighlight"), d.syntaxHighlight);
    auto fontSize = [&](const QString& name, int fallback) {
        const int v = r.readInteger(s, name, fallback);
        return v >= 1 && v <= 72 ? v : fallback;
    };
    textFontName = r.readString(s, QStringLiteral("TextFontName"), d.textFontName);
    textFontSize = fontSize(QStringLiteral("TextFontSize"), d.textFontSize);
    scriptFontName = r.readString(s, QStringLiteral("ScriptFontName"), d.scriptFontName);
    scriptFontSize = fontSize(QStringLiteral("ScriptFontSize"), d.scriptFontSize);
    useDefaultFont = r.readBool(s, QStringLiteral("UseDefaultFont"), d.useDefaultFont);
    splitterPos = std::clamp(r.readInteger(s, QStringLiteral("SplitterPos"), d.splitterPos), 20, 2000);
    inspectorSplit = std::clamp(r.readInteger(kInspectorSection, QStringLiteral("SplitPos"), d.inspectorSplit), 20, 2000);
}

void TfrDesignerSettings::write(TRegistry& r) const {
    const QString s = frDesignerFormSection();
    r.writeBool(s, QStringLiteral("GridShow"), gridShow);
    r.writeBool(s, QStringLiteral("GridAlign"), gridAlign);
    r.writeInteger(s, QStringLiteral("GridSize"), gridSize);
    r.writeInteger(s, QStringLiteral("Units"), int(units));
    r.writeBool(s, QStringLiteral("GrayButtons"), grayButtons);
    r.writeBool(s, QStringLiteral("EditAfterInsert"), editAfterInsert);
    r.writeInteger(s, QStringLiteral("Selection"), selectionMode);
    r.writeInteger(s, QStringLiteral("PagePosition"), pagePosition);
    r.writeBool(s, QStringLiteral("BandTitles"), bandTitles);
    r.writeBool(s, QStringLiteral("LocalizedPropNames"), localizedPropNames);
    r.writeBool(s, QStringLiteral("UnlimitedHeight"), unlimitedHeight);
    r.writeBool(s, QStringLiteral("DisableUndo"), disableUndo);
    r.writeBool(s, QStringLiteral("SyntaxHighlight"), syntaxHighlight);
    r.writeString(s, QStringLiteral("TextFontName"), textFontName);
    r.writeInteger(s, QStringLiteral("TextFontSize"), textFontSize);
    r.writeString(s, QStringLiteral("ScriptFontName"), scriptFontName);
    r.writeInteger(s, QStringLiteral("ScriptFontSize"), scriptFontSize);
    r.writeBool(s, QStringLiteral("UseDefaultFont"), useDefaultFont);
    r.writeInteger(s, QStringLiteral("SplitterPos"), splitterPos);
    r.writeInteger(kInspectorSection, QStringLiteral("SplitPos"), inspectorSplit);
}

QString frUnitsName(TfrUnits units) {
    switch (units) {
    case TfrUnits::Millimetres: return QStringLiteral("Миллиметры");
    case TfrUnits::Inches: return QStringLiteral("Дюймы");
    default: return QStringLiteral("Пикселы");
    }
}

TfrUnits frNextUnits(TfrUnits units) { return TfrUnits((int(units) + 1) % 3); }

QString frFormatLength(int pixels, TfrUnits units) {
    switch (units) {
    case TfrUnits::Millimetres: return QString::number(pixels * 5.0 / 18.0, 'f', 2);
    case TfrUnits::Inches: return QString::number(pixels * 5.0 / 18.0 / 25.4, 'f', 2);
    default: return QString::number(pixels);
    }
}
