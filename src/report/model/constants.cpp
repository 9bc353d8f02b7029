#include "report/model/constants.h"

#include "common/rounding.h"

namespace frunits {

std::int32_t mmToPixels(double mm) { return roundHalfEven(mm * 18.0 / 5.0); }
double pixelsToMm(double pixels) { return pixels * 5.0 / 18.0; }
std::int32_t tenthsToPixels(std::int32_t tenths) { return roundHalfEven(tenths / 10.0 * 18.0 / 5.0); }
std::int32_t pixelsToTenths(std::int32_t pixels) { return roundHalfEven(pixels * 50.0 / 18.0); }

} // namespace frunits

namespace frcolor {
namespace {
// The classic desktop scheme, as 0x00BBGGRR, by system colour index.
constexpr TfrColor kSystemColors[frSystemColorCount] = {
    0xC8D0D4, // scroll bar
    0xA56E3A, // background
    0x6A240A, // active caption
    0x808080, // inactive caption
    0xC8D0D4, // menu
    0xFFFFFF, // window
    0x000000, // window frame
    0x000000, // menu text
    0x000000, // window text
    0xFFFFFF, // caption text
    0xC8D0D4, // active border
    0xC8D0D4, // inactive border
    0x808080, // application workspace
    0x6A240A, // highlight
    0xFFFFFF, // highlight text
    0xC8D0D4, // button face
    0x808080, // button shadow
    0x808080, // grey text
    0x000000, // button text
    0xC8D0D4, // inactive caption text
    0xFFFFFF, // button highlight
    0x404040, // 3D dark shadow
    0xC8D0D4, // 3D light
    0x000000, // info text
    0xE1FFFF, // info background
};
} // namespace

bool isSystem(TfrColor color) { return (color & 0xFF000000u) == clSystemColor; }
bool isTransparent(TfrColor color) { return color == clTransparent; }

TfrColor resolve(TfrColor color) {
    if (isTransparent(color))
        return color;
    if (isSystem(color)) {
        const TfrColor index = color & 0x00FFFFFFu;
        return index < TfrColor(frSystemColorCount) ? kSystemColors[index] : clBlack;
    }
    return color & 0x00FFFFFFu;
}

QColor toQColor(TfrColor color) {
    if (isTransparent(color))
        return QColor(Qt::transparent);
    const TfrColor c = resolve(color);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TfrColor fromQColor(const QColor& color) {
    if (color.alpha() == 0)
        return clTransparent;
    return TfrColor(color.red()) | (TfrColor(color.green()) << 8) | (TfrColor(color.blue()) << 16);
}

} // namespace frcolor

QString frBandName(int bandType) {
    static const char16_t* const names[frBandTypeCount] = {
        u"Report title",     u"Report summary",  u"Page header",      u"Page footer",    u"Master header",
        u"Master data",      u"Master footer",   u"Detail header",    u"Detail data",    u"Detail footer",
        u"Subdetail header", u"Subdetail data",  u"Subdetail footer", u"Overlay",        u"Column header",
        u"Column footer",    u"Group header",    u"Group footer",     u"Cross header",   u"Cross data",
        u"Cross footer",     u"Child",           u"Нет",
    };
    return bandType >= 0 && bandType < frBandTypeCount ? QString::fromUtf16(names[bandType]) : QString();
}
