#include "report/model/engine.h"

#include "report/model/constants.h"
#include "report/model/objects.h"
#include "report/model/report.h"

namespace {

const char16_t* const kSystemColorNames[frSystemColorCount] = {
    u"clScrollBar",   u"clBackground",   u"clActiveCaption", u"clInactiveCaption", u"clMenu",
    u"clWindow",      u"clWindowFrame",  u"clMenuText",      u"clWindowText",      u"clCaptionText",
    u"clActiveBorder", u"clInactiveBorder", u"clAppWorkSpace", u"clHighlight",     u"clHighlightText",
    u"clBtnFace",     u"clBtnShadow",    u"clGrayText",      u"clBtnText",         u"clInactiveCaptionText",
    u"clBtnHighlight", u"cl3DDkShadow",  u"cl3DLight",       u"clInfoText",        u"clInfoBk",
};

} // namespace

TfrEngine::TfrEngine(TUserInteraction* interaction)
    : m_interaction(interaction ? interaction : &m_console),
      m_printer(std::make_unique<TfrPrinter>()),
      m_compressor(std::make_unique<TfrCompressor>()) {
    fillConstants();
}

TfrEngine::~TfrEngine() = default;

void TfrEngine::fillConstants() {
    auto setInt = [this](const char16_t* name, std::int64_t v) {
        m_constants.set(QString::fromUtf16(name), TVariant(static_cast<std::int32_t>(v)));
    };
    const std::pair<const char16_t*, std::int64_t> colors[] = {
        {u"clWhite", 0xFFFFFF}, {u"clBlack", 0},          {u"clMaroon", 0x80},     {u"clGreen", 0x8000},
        {u"clOlive", 0x8080},   {u"clNavy", 0x800000},    {u"clPurple", 0x800080}, {u"clTeal", 0x808000},
        {u"clGray", 0x808080},  {u"clSilver", 0xC0C0C0}, {u"clRed", 0xFF},        {u"clLime", 0xFF00},
        {u"clYellow", 0xFFFF},  {u"clBlue", 0xFF0000},    {u"clFuchsia", 0xFF00FF}, {u"clAqua", 0xFFFF00},
        {u"clTransparent", 0x1FFFFFFF},
    };
    for (const auto& [n, v] : colors)
        setInt(n, v);
    // System colours are 0x80000000 + n: as 32-bit signed values they are negative.
    for (int i = 0; i < frSystemColorCount; ++i)
        setInt(kSystemColorNames[i], static_cast<std::int32_t>(clSystemColor + std::uint32_t(i)));
    const std::pair<const char16_t*, std::int64_t> ints[] = {
        {u"mrNone", 0},      {u"mrOk", 1},           {u"mrCancel", 2},       {u"mrYes", 6},
        {u"mrNo", 7},        {u"fsBold", 2},         {u"fsItalic", 1},       {u"fsUnderline", 4},
        {u"fsStrikeOut", 8}, {u"frftNone", 0},       {u"frftRight", 1},      {u"frftBottom", 2},
        {u"frftLeft", 4},    {u"frftTop", 8},        {u"frtaLeft", 0},       {u"frtaRight", 1},
        {u"frtaCenter", 2},  {u"frtaVertical", 4},   {u"frtaMiddle", 8},     {u"frtaDown", 16},
        {u"baNone", 0},      {u"baLeft", 1},         {u"baRight", 2},        {u"baCenter", 3},
        {u"baWidth", 4},     {u"baBottom", 5},       {u"baTop", 6},          {u"baRest", 7},
        {u"psSolid", 0},     {u"psDash", 1},         {u"psDot", 2},          {u"psDashDot", 3},
        {u"psDashDotDot", 4}, {u"psDouble", 5},      {u"mb_Ok", 0},          {u"mb_OkCancel", 1},
        {u"mb_YesNo", 4},    {u"mb_YesNoCancel", 3}, {u"mb_IconError", 16},  {u"mb_IconQuestion", 32},
        {u"mb_IconInformation", 64}, {u"mb_IconWarning", 48},
    };
    for (const auto& [n, v] : ints)
        setInt(n, v);
    m_constants.set(QStringLiteral("CRLF"), TVariant(QStringLiteral("\r\n")));
    m_constants.set(QStringLiteral("Null"), TVariant::null());
}

void TfrEngine::addBlobTypeConstants() {
    if (m_constants.contains(QStringLiteral("btBMP")))
        return;
    m_constants.set(QStringLiteral("btBMP"), TVariant(std::int32_t(btBMP)));
    m_constants.set(QStringLiteral("btJPG"), TVariant(std::int32_t(btJPG)));
    m_constants.set(QStringLiteral("btICO"), TVariant(std::int32_t(btICO)));
    m_constants.set(QStringLiteral("btWMF"), TVariant(std::int32_t(btWMF)));
}

void TfrEngine::registerClass(const TfrObjectClass& c) {
    if (findAddIn(c.className))
        return;
    if (static_cast<int>(m_addIns.size()) >= maxAddIns)
        throw Exception(QStringLiteral("Too many add-in object classes (at most %1): %2").arg(maxAddIns).arg(c.className));
    if (!c.create)
        throw Exception(QStringLiteral("Add-in class %1 has no constructor").arg(c.className));
    m_addIns.push_back(&c);
}

const TfrObjectClass* TfrEngine::findAddIn(const QString& className) const {
    for (const TfrObjectClass* c : m_addIns)
        if (c->className == className)
            return c;
    return nullptr;
}

std::unique_ptr<TfrView> TfrEngine::createObject(int kind, const QString& className, QString* missing) {
    std::unique_ptr<TfrView> view;
    if (kind != gtAddIn) {
        view = frCreateBuiltInObject(kind);
        if (kind == gtPicture)
            addBlobTypeConstants();
    } else {
        const TfrObjectClass* info = findAddIn(className);
        if (!info) {
            QString local;
            QString& text = missing ? *missing : local;
            text += className + u'\r';
            throw EClassNotFound(text);
        }
        view = info->create();
        if (view)
            view->objectType = gtAddIn;
        for (const auto& [name, value] : info->constants)
            if (!m_constants.contains(name))
                m_constants.set(name, TVariant(value));
    }
    if (view)
        view->objectId = nextObjectId();
    return view;
}

void TfrEngine::setCompressor(std::unique_ptr<TfrCompressor> compressor) {
    m_compressor = compressor ? std::move(compressor) : std::make_unique<TfrCompressor>();
}

TVariant TfrEngine::evaluate(TfrReport& report, const QString& expression) {
    if (!evaluator)
        throw Exception(QStringLiteral("No expression evaluator is installed to compute \"%1\"").arg(expression));
    return evaluator(report, expression);
}
