#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Appearance of the selection grid as the exports read it. Every attribute is
// pinned to a concrete value, so an export is byte for byte the same on every
// machine: the system colours are resolved with the classic palette (window
// FFFFFF, window text 000000, button face C0C0C0, 3-D light E0E0E0, window frame
// 000000) instead of the desktop's current scheme.

// A colour, or "none" (no colour of its own).
struct TGridColor {
    bool none = false;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    static constexpr TGridColor rgb(std::uint32_t value) {
        return TGridColor{false, std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
    }
    static constexpr TGridColor noColor() { return TGridColor{true, 0, 0, 0}; }

    // Six upper-case hex digits RRGGBB; "none" gives 000000.
    QByteArray hex() const;
    bool operator==(const TGridColor&) const = default;
};

namespace gridcolors {
inline constexpr TGridColor Window = TGridColor::rgb(0xFFFFFF);
inline constexpr TGridColor WindowText = TGridColor::rgb(0x000000);
inline constexpr TGridColor ButtonFace = TGridColor::rgb(0xC0C0C0);
inline constexpr TGridColor Light3D = TGridColor::rgb(0xE0E0E0);
inline constexpr TGridColor WindowFrame = TGridColor::rgb(0x000000);
} // namespace gridcolors

struct TGridFont {
    QString name;
    int size = 8;    // points
    int height = -11; // pixels at 96 pixels per inch, negative: character height
    TGridColor color = gridcolors::WindowText;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const TGridFont&) const = default;
};

enum class TGridAlignment { Left, Right, Center };

struct TGridAppearance {
    QString name = QStringLiteral("SelectionGrid1");
    // The main window's font.
    TGridFont font{QStringLiteral("MS Sans Serif"), 8, -11};
    // Header and band fonts start as the default user-interface font, fixed here
    // to Arial 8 points so that it does not depend on the desktop.
    TGridFont headerFont{QStringLiteral("Arial"), 8, -11};
    TGridFont bandFont{QStringLiteral("Arial"), 8, -11};

    TGridColor color = gridcolors::Window;
    TGridColor headerColor = gridcolors::ButtonFace;
    TGridColor bandColor = gridcolors::ButtonFace;
    TGridColor groupColor = gridcolors::ButtonFace;
    TGridColor groupTextColor = TGridColor::noColor();
    TGridColor rowFooterColor = gridcolors::Light3D;
    TGridColor rowFooterTextColor = gridcolors::WindowText;
    TGridColor gridLineColor = TGridColor::noColor();
    TGridColor windowFrameColor = gridcolors::WindowFrame;
    TGridColor windowColor = gridcolors::Window;

    bool borderSingle = true;
    bool gridLines = true;
    bool look3D = true;
    bool showHeaders = true;
    bool showBands = false;
};
