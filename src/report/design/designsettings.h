#pragma once

#include <QString>

class TRegistry;

// Display units of the designer's status bar and length fields.
enum class TfrUnits { Pixels = 0, Millimetres = 1, Inches = 2 };

// Where the designer keeps its settings: "Software\Folvent\" and the
// application's title.
QString frDesignerRegistryKey();
// The sub-key of the designer window's values.
QString frDesignerFormSection();

// The designer's settings that persist per user (read when the designer opens,
// written when it closes), with their defaults. The values the later dialogs
// use (text editor fonts, inspector names) are kept here too, so that every
// value of the designer's key has one reader and one writer.
struct TfrDesignerSettings {
    bool gridShow = true;
    bool gridAlign = true;
    int gridSize = 4; // 4, 8 or 18
    TfrUnits units = TfrUnits::Pixels;
    bool grayButtons = false;
    bool editAfterInsert = true;
    int selectionMode = 1; // 1: contents shown while moving or resizing, 0: outlines only
    int pagePosition = 5;  // 5 centre, 3 left, 4 right
    bool bandTitles = true;
    bool localizedPropNames = false;
    bool unlimitedHeight = false;
    bool disableUndo = false;
    bool syntaxHighlight = true;
    QString textFontName = QStringLiteral("Arial");
    int textFontSize = 10;
    QString scriptFontName = QStringLiteral("Courier New");
    int scriptFontSize = 10;
    bool useDefaultFont = true;
    int splitterPos = 100;
    int inspectorSplit = 75; // width of the inspector's name column

    // Values out of range read as their defaults (a grid of 0 as 4).
    void read(const TRegistry& registry);
    void write(TRegistry& registry) const;

    static bool validGridSize(int size) { return size == 4 || size == 8 || size == 18; }
};

// "Пикселы", "Миллиметры", "Дюймы".
QString frUnitsName(TfrUnits units);
TfrUnits frNextUnits(TfrUnits units);
// A length in report pixels in display units: pixels as they are, millimetres
// (x 5 / 18) and inches (x 5 / 18 / 25.4) with two decimals.
QString frFormatLength(int pixels, TfrUnits units);
