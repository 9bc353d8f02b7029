#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

// Printer geometry of one paper: paper size, printable-area offset and
// printable size, each in printer pixels and in report pixels.
struct TfrPrnInfo {
    std::int32_t pPgw = 0, pPgh = 0; // paper size, printer pixels
    std::int32_t pgw = 0, pgh = 0;   // paper size, report pixels
    std::int32_t pOfx = 0, pOfy = 0; // printable offset, printer pixels
    std::int32_t ofx = 0, ofy = 0;   // printable offset, report pixels
    std::int32_t pPw = 0, pPh = 0;   // printable size, printer pixels
    std::int32_t pw = 0, ph = 0;     // printable size, report pixels
    bool operator==(const TfrPrnInfo&) const = default;
};

// One paper size the virtual printer knows: code, portrait width and height in
// tenths of a millimetre, and its name.
struct TfrPaperInfo {
    std::int32_t code;
    std::int32_t width;
    std::int32_t height;
    const char16_t* name;
};
const std::vector<TfrPaperInfo>& frVirtualPaperTable();
const TfrPaperInfo* frFindPaper(std::int32_t code);

// The requested or current paper of a printer.
struct TfrPaperSetting {
    std::int32_t size = 9;
    std::int32_t width = 0;  // tenths of a millimetre
    std::int32_t height = 0;
    std::int32_t orientation = 0; // 0 portrait, 1 landscape
    std::int32_t bin = -1;        // -1 printer default
};

// A platform printer as the report printer sees it. The program uses one
// device per installed printer (through the print-support module); tests plug
// in their own devices.
class TfrPrinterDevice {
public:
    struct State {
        TfrPaperSetting paper;
        std::vector<std::pair<std::int32_t, QString>> papers; // code, name
        std::vector<std::pair<std::int32_t, QString>> bins;   // code, name (without the default entry)
        int resolutionX = 0, resolutionY = 0;                  // pixels per inch
        // Geometry of the current paper in printer pixels.
        std::int32_t pageWidth = 0, pageHeight = 0, offsetX = 0, offsetY = 0, printableWidth = 0, printableHeight = 0;
    };

    virtual ~TfrPrinterDevice() = default;
    virtual QString name() const = 0;
    // Reads the device's current settings; throws when the printer cannot be read.
    virtual State read() = 0;
    // Writes a paper into the device; throws when the device refuses it.
    virtual void apply(const TfrPaperSetting& paper) = 0;
};

// The report engine's view of the printer: the installed printers plus the
// virtual printer (always last), the current paper and its geometry.
class TfrPrinter {
public:
    TfrPrinter();
    ~TfrPrinter();
    TfrPrinter(const TfrPrinter&) = delete;
    TfrPrinter& operator=(const TfrPrinter&) = delete;

    static QString virtualPrinterName();
    static QString defaultBinName();

    // Replaces the devices (the installed printers, or fakes in tests); the
    // virtual printer stays last. Selects the
    // first device, or the virtual printer when the list is empty.
    void setDevices(std::vector<std::unique_ptr<TfrPrinterDevice>> devices);

    const QStringList& printers() const { return m_printers; }
    int printerIndex() const { return m_index; }
    int virtualIndex() const { return static_cast<int>(m_printers.size()) - 1; }
    bool isVirtual() const { return m_index == virtualIndex(); }
    QString printerName() const { return m_printers.value(m_index); }
    // The device of the selected platform printer; nothing for the virtual printer.
    TfrPrinterDevice* selectedDevice() const {
        return isVirtual() ? nullptr : m_devices.at(static_cast<std::size_t>(m_index)).get();
    }
    int indexOfPrinter(const QString& name) const;

    // Selects a printer by index; nothing when it is already selected. A platform
    // printer that cannot be read leaves the virtual printer selected. Returns
    // false for an index outside the list.
    bool setPrinterIndex(int index);
    // Re-reads the selected platform printer.
    void update();

    // Current paper.
    std::int32_t paperSize() const { return m_paper.size; }
    std::int32_t paperWidth() const { return m_paper.width; }
    std::int32_t paperHeight() const { return m_paper.height; }
    std::int32_t orientation() const { return m_paper.orientation; }
    std::int32_t bin() const { return m_paper.bin; }
    const TfrPaperSetting& paper() const { return m_paper; }
    // The paper a new page takes: the selected printer's default paper.
    std::int32_t defaultPaper() const { return m_defaultPaper; }

    const std::vector<std::pair<std::int32_t, QString>>& paperList() const { return m_papers; }
    const std::vector<std::pair<std::int32_t, QString>>& binList() const { return m_bins; }
    // Index in the paper list; the last entry (custom) when the code is absent.
    int paperIndex(std::int32_t code) const;
    // Index in the bin list; 0 (the default entry) when the code is absent.
    int binIndex(std::int32_t code) const;

    // Applies a paper. Nothing while a print job runs, or when not forced and the
    // paper already equals the request. Throws when the printer refuses it.
    void setPrinterInfo(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t orientation,
                        std::int32_t bin, bool force);
    bool isEqual(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t orientation,
                 std::int32_t bin) const;
    // Makes the next apply happen even when the paper equals the current one.
    void forgetPaper() { m_paperValid = false; }
    TfrPrnInfo fillPrnInfo() const;

    // Applying paper is refused while a print job runs (printing sets this).
    bool printing = false;

private:
    void selectVirtual();
    void readDevice();
    void applyVirtualTable();

    std::vector<std::unique_ptr<TfrPrinterDevice>> m_devices;
    QStringList m_printers;
    int m_index = -1;
    TfrPaperSetting m_paper;
    bool m_paperValid = false;
    std::int32_t m_defaultPaper = 9;
    std::vector<std::pair<std::int32_t, QString>> m_papers;
    std::vector<std::pair<std::int32_t, QString>> m_bins;
    TfrPrinterDevice::State m_device;
};

