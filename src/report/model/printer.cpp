#include "report/model/printer.h"

#include "common/exception.h"
#include "common/rounding.h"
#include "report/model/constants.h"


namespace {

const std::vector<TfrPaperInfo> kPapers = {
    {1, 2159, 2794, u"Letter, 8 1/2 x 11\""},
    {2, 2159, 2794, u"Letter small, 8 1/2 x 11\""},
    {3, 2794, 4318, u"Tabloid, 11 x 17\""},
    {4, 4318, 2794, u"Ledger, 17 x 11\""},
    {5, 2159, 3556, u"Legal, 8 1/2 x 14\""},
    {6, 1397, 2159, u"Statement, 5 1/2 x 8 1/2\""},
    {7, 1842, 2667, u"Executive, 7 1/4 x 10 1/2\""},
    {8, 2970, 4200, u"A3 297 x 420 мм"},
    {9, 2100, 2970, u"A4 210 x 297 мм"},
    {10, 2100, 2970, u"A4 small sheet, 210 x 297 мм"},
    {11, 1480, 2100, u"A5 148 x 210 мм"},
    {12, 2500, 3540, u"B4 250 x 354 мм"},
    {13, 1820, 2570, u"B5 182 x 257 мм"},
    {14, 2159, 3302, u"Folio, 8 1/2 x 13\""},
    {15, 2150, 2750, u"Quarto Sheet, 215 x 275 мм"},
    {16, 2540, 3556, u"10 x 14\""},
    {17, 2794, 4318, u"11 x 17\""},
    {18, 2159, 2794, u"Note, 8 1/2 x 11\""},
    {19, 984, 2254, u"9 Envelope, 3 7/8 x 8 7/8\""},
    {20, 1048, 2413, u"#10 Envelope, 4 1/8  x 9 1/2\""},
    {21, 1143, 2635, u"#11 Envelope, 4 1/2 x 10 3/8\""},
    {22, 1207, 2794, u"#12 Envelope, 4 3/4 x 11\""},
    {23, 1270, 2921, u"#14 Envelope, 5 x 11 1/2\""},
    {24, 4318, 5588, u"C Sheet, 17 x 22\""},
    {25, 5588, 8636, u"D Sheet, 22 x 34\""},
    {26, 8636, 11176, u"E Sheet, 34 x 44\""},
    {27, 1100, 2200, u"DL Envelope, 110 x 220 мм"},
    {28, 1620, 2290, u"C5 Envelope, 162 x 229 мм"},
    {29, 3240, 4580, u"C3 Envelope,  324 x 458 мм"},
    {30, 2290, 3240, u"C4 Envelope,  229 x 324 мм"},
    {31, 1140, 1620, u"C6 Envelope,  114 x 162 мм"},
    {32, 1140, 2290, u"C65 Envelope, 114 x 229 мм"},
    {33, 2500, 3530, u"B4 Envelope,  250 x 353 мм"},
    {34, 1760, 2500, u"B5 Envelope,  176 x 250 мм"},
    {35, 1760, 1250, u"B6 Envelope,  176 x 125 мм"},
    {36, 1100, 2300, u"Italy Envelope, 110 x 230 мм"},
    {37, 984, 1905, u"Monarch Envelope, 3 7/8 x 7 1/2\""},
    {38, 920, 1651, u"6 3/4 Envelope, 3 5/8 x 6 1/2\""},
    {39, 3778, 2794, u"US Std Fanfold, 14 7/8 x 11\""},
    {40, 2159, 3048, u"German Std Fanfold, 8 1/2 x 12\""},
    {41, 2159, 3302, u"German Legal Fanfold, 8 1/2 x 13\""},
    {42, 2500, 3530, u"B4 (ISO) 250 x 353 мм"},
    {43, 1000, 1480, u"Japanese Postcard 100 x 148 мм"},
    {44, 2286, 2794, u"9 x 11\""},
    {45, 2540, 2794, u"10 x 11\""},
    {46, 3810, 2794, u"15 x 11\""},
    {47, 2200, 2200, u"Envelope Invite 220 x 220 мм"},
    {50, 2355, 3048, u"Letter Extra 9/275 x 12\""},
    {51, 2355, 3810, u"Legal Extra 9/275 x 15\""},
    {52, 2969, 4572, u"Tabloid Extra 11.69 x 18\""},
    {53, 2354, 3223, u"A4 Extra 9.27 x 12.69\""},
    {54, 2101, 2794, u"Letter Transverse 8/275 x 11\""},
    {55, 2100, 2970, u"A4 Transverse 210 x 297 мм"},
    {56, 2355, 3048, u"Letter Extra Transverse 9/275 x 12\""},
    {57, 2270, 3560, u"SuperASuperAA4 227 x 356 мм"},
    {58, 3050, 4870, u"SuperBSuperBA3 305 x 487 мм"},
    {59, 2159, 3223, u"Letter Plus 8.5 x 12.69\""},
    {60, 2100, 3300, u"A4 Plus 210 x 330 мм"},
    {61, 1480, 2100, u"A5 Transverse 148 x 210 мм"},
    {62, 1820, 2570, u"B5 (JIS) Transverse 182 x 257 мм"},
    {63, 3220, 4450, u"A3 Extra 322 x 445 мм"},
    {64, 1740, 2350, u"A5 Extra 174 x 235 мм"},
    {65, 2010, 2760, u"B5 (ISO) Extra 201 x 276 мм"},
    {66, 4200, 5940, u"A2 420 x 594 мм"},
    {67, 2970, 4200, u"A3 Transverse 297 x 420 мм"},
    {68, 3220, 4450, u"A3 Extra Transverse 322 x 445 мм"},
    {256, 0, 0, u"Другой"},
};

// 5 mm of unprintable border on every side of the virtual printer's paper.
constexpr std::int32_t kVirtualOffsetTenths = 50;
constexpr std::size_t kMaxPapers = 256;

std::int32_t tenthsToPrinterGeometry(double tenths) {
    return roundHalfEven(tenths * frunits::kPrinterPixelsPerInch / 254.0);
}

} // namespace

const std::vector<TfrPaperInfo>& frVirtualPaperTable() { return kPapers; }

const TfrPaperInfo* frFindPaper(std::int32_t code) {
    for (const TfrPaperInfo& p : kPapers)
        if (p.code == code)
            return &p;
    return nullptr;
}

TfrPrinter::TfrPrinter() {
    m_printers << virtualPrinterName();
    m_paper.size = frPaperA4;
    selectVirtual();
}

TfrPrinter::~TfrPrinter() = default;

QString TfrPrinter::virtualPrinterName() { return QStringLiteral("Виртуальный принтер"); }
QString TfrPrinter::defaultBinName() { return QStringLiteral("По умолчанию"); }

void TfrPrinter::setDevices(std::vector<std::unique_ptr<TfrPrinterDevice>> devices) {
    m_devices = std::move(devices);
    m_printers.clear();
    for (const auto& d : m_devices)
        m_printers << d->name();
    m_printers << virtualPrinterName();
    m_index = -1;
    setPrinterIndex(0);
}

int TfrPrinter::indexOfPrinter(const QString& name) const { return m_printers.indexOf(name); }

bool TfrPrinter::setPrinterIndex(int index) {
    if (index < 0 || index >= m_printers.size())
        return false;
    if (index == m_index)
        return true;
    if (index == virtualIndex()) {
        selectVirtual();
        return true;
    }
    m_index = index;
    readDevice();
    return true;
}

void TfrPrinter::update() {
    if (!isVirtual())
        readDevice();
}

void TfrPrinter::selectVirtual() {
    m_index = virtualIndex();
    m_papers.clear();
    for (const TfrPaperInfo& p : kPapers)
        m_papers.emplace_back(p.code, QString::fromUtf16(p.name));
    m_bins.assign(1, {-1, defaultBinName()});
    m_defaultPaper = frPaperA4;
    applyVirtualTable();
    m_paperValid = false;
}

void TfrPrinter::applyVirtualTable() {
    if (m_paper.size == frPaperCustom)
        return;
    if (const TfrPaperInfo* p = frFindPaper(m_paper.size)) {
        const bool landscape = m_paper.orientation == poLandscape;
        m_paper.width = landscape ? p->height : p->width;
        m_paper.height = landscape ? p->width : p->height;
    }
}

void TfrPrinter::readDevice() {
    try {
        TfrPrinterDevice& dev = *m_devices.at(static_cast<std::size_t>(m_index));
        m_device = dev.read();
        m_paper = m_device.paper;
        m_defaultPaper = m_paper.size;
        m_papers = m_device.papers;
        if (m_papers.empty() || m_papers.back().first != frPaperCustom)
            m_papers.emplace_back(frPaperCustom, QStringLiteral("Другой"));
        // The list holds at most kMaxPapers entries, the custom size always last.
        if (m_papers.size() > kMaxPapers) {
            m_papers.resize(kMaxPapers - 1);
            m_papers.emplace_back(frPaperCustom, QStringLiteral("Другой"));
        }
        m_bins.assign(1, {-1, defaultBinName()});
        for (const auto& b : m_device.bins)
            m_bins.push_back({b.first, b.second.left(24)});
        m_paperValid = false;
    } catch (const std::exception&) {
        selectVirtual();
    }
}

int TfrPrinter::paperIndex(std::int32_t code) const {
    for (std::size_t i = 0; i < m_papers.size(); ++i)
        if (m_papers[i].first == code)
            return static_cast<int>(i);
    return static_cast<int>(m_papers.size()) - 1;
}

int TfrPrinter::binIndex(std::int32_t code) const {
    for (std::size_t i = 0; i < m_bins.size(); ++i)
        if (m_bins[i].first == code)
            return static_cast<int>(i);
    return 0;
}

bool TfrPrinter::isEqual(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t orientation,
                         std::int32_t bin) const {
    // Pages keep "printer default" as 0xFFFF; the printer calls it -1.
    if ((bin & 0xFFFF) == 0xFFFF)
        bin = -1;
    if (size != m_paper.size)
        return false;
    if (size == frPaperCustom)
        return std::abs(std::int64_t(width) - m_paper.width) <= 1 && std::abs(std::int64_t(height) - m_paper.height) <= 1 &&
               orientation == m_paper.orientation;
    return orientation == m_paper.orientation && (bin == m_paper.bin || bin == -1);
}

void TfrPrinter::setPrinterInfo(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t orientation,
                                std::int32_t bin, bool force) {
    if (printing)
        return;
    // Pages keep "printer default" as 0xFFFF; the printer calls it -1.
    if ((bin & 0xFFFF) == 0xFFFF)
        bin = -1;
    if (!force && m_paperValid && isEqual(size, width, height, orientation, bin))
        return;
    TfrPaperSetting wanted;
    wanted.size = size;
    wanted.width = width;
    wanted.height = height;
    wanted.orientation = orientation;
    wanted.bin = bin;
    if (isVirtual()) {
        m_paper = wanted;
        applyVirtualTable();
        m_paperValid = true;
        return;
    }
    TfrPrinterDevice& dev = *m_devices.at(static_cast<std::size_t>(m_index));
    m_paperValid = false;
    dev.apply(wanted); // throws when refused
    m_device = dev.read();
    m_paper = m_device.paper;
    if (wanted.bin != -1)
        m_paper.bin = wanted.bin;
    m_paperValid = true;
}

TfrPrnInfo TfrPrinter::fillPrnInfo() const {
    TfrPrnInfo info;
    if (isVirtual()) {
        info.pgw = tenthsToPrinterGeometry(m_paper.width);
        info.pgh = tenthsToPrinterGeometry(m_paper.height);
        info.ofx = tenthsToPrinterGeometry(kVirtualOffsetTenths);
        info.ofy = info.ofx;
        info.pw = info.pgw - 2 * info.ofx;
        info.ph = info.pgh - 2 * info.ofy;
        return info;
    }
    const auto& d = m_device;
    const double kx = d.resolutionX > 0 ? frunits::kPrinterPixelsPerInch / d.resolutionX : 0.0;
    const double ky = d.resolutionY > 0 ? frunits::kPrinterPixelsPerInch / d.resolutionY : 0.0;
    info.pPgw = d.pageWidth;
    info.pPgh = d.pageHeight;
    info.pOfx = d.offsetX;
    info.pOfy = d.offsetY;
    info.pPw = d.printableWidth;
    info.pPh = d.printableHeight;
    info.pgw = roundHalfEven(d.pageWidth * kx);
    info.pgh = roundHalfEven(d.pageHeight * ky);
    info.ofx = roundHalfEven(d.offsetX * kx);
    info.ofy = roundHalfEven(d.offsetY * ky);
    info.pw = roundHalfEven(d.printableWidth * kx);
    info.ph = roundHalfEven(d.printableHeight * ky);
    return info;
}
