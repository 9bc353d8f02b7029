#pragma once

#include "report/model/objects.h"

#include <QColor>
#include <QStringView>
#include <memory>
#include <vector>

class QPainter;
class TfrEngine;

// Pixel height of a font of `pointSize` points: at design size (scale 1)
// size * 96 / 72 rounded to nearest; drawn at another scale k, size * 96 / 72 * k
// truncated. Sizes are bounded (1 to 1500 points, scales to 64), so that a
// damaged file can never ask for a giant font.
int frFontPixelHeight(std::int32_t pointSize, double scale = 1.0);

// Measures and draws report text the same way on every device. Characters are
// measured one by one in the font at its design pixel size, kerning off, each
// advance a whole number of pixels; a text's width is the sum of its advances
// plus the character spacing after every character. Line breaks therefore
// depend on nothing but the font, so the screen, the printer and a PDF break
// lines alike; drawn at a scale, characters are placed at the scaled design
// positions.
//
// The layout takes the measurer as a parameter: the program uses one
// TfrFontMeasurer per engine (frTextMeasurer), tests a TfrFixedMeasurer.
class TfrTextMeasurer {
public:
    virtual ~TfrTextMeasurer() = default;

    // Appends the whole-pixel advance of every character of `text` in `font`
    // at its design pixel size.
    virtual void advances(const TfrFont& font, QStringView text, std::vector<int>& out) const = 0;

    // Draws the characters of `text` with their cells' left edges at `lefts`
    // (one per character) and the cells' top at `top`, in `font` at
    // `pixelSize` pixels and in `color`. Spaces draw nothing.
    virtual void drawText(QPainter& painter, const TfrFont& font, int pixelSize, QStringView text,
                          const std::vector<double>& lefts, double top, const QColor& color) const = 0;

    // The width of a text at design size: advances plus `charSpacing` after
    // every character.
    int width(const TfrFont& font, QStringView text, int charSpacing = 0) const;
};

// Every character is `advance` pixels wide in every font; drawn, a character
// is a solid block one pixel narrower than its advance (so neighbours stay
// apart) and as tall as three quarters of the font's pixel height. Golden
// tests of layout and drawing use it so that they never depend on font files.
class TfrFixedMeasurer : public TfrTextMeasurer {
public:
    explicit TfrFixedMeasurer(int advance = 6) : m_advance(advance) {}
    void advances(const TfrFont& font, QStringView text, std::vector<int>& out) const override;
    void drawText(QPainter& painter, const TfrFont& font, int pixelSize, QStringView text,
                  const std::vector<double>& lefts, double top, const QColor& color) const override;

private:
    int m_advance;
};

// The measurer of the program: the platform's fonts (Arial, Times New Roman,
// Courier New and MS Sans Serif are found as their metric-compatible
// Liberation fonts) at pixel sizes, unhinted, kerning off. Needs a
// QGuiApplication (the font database).
class TfrFontMeasurer : public TfrTextMeasurer {
public:
    TfrFontMeasurer();
    ~TfrFontMeasurer() override;
    void advances(const TfrFont& font, QStringView text, std::vector<int>& out) const override;
    void drawText(QPainter& painter, const TfrFont& font, int pixelSize, QStringView text,
                  const std::vector<double>& lefts, double top, const QColor& color) const override;

    // Installs the font substitutions report fonts need (done by the constructor).
    static void installSubstitutions();

private:
    struct Cache;
    std::unique_ptr<Cache> m_cache;
};

// The engine's shared measurer (a TfrFontMeasurer unless one was set).
const TfrTextMeasurer& frTextMeasurer(TfrEngine& engine);
// Replaces the engine's measurer (tests, tools).
void frSetTextMeasurer(TfrEngine& engine, std::shared_ptr<const TfrTextMeasurer> measurer);
