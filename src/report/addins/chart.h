#pragma once

#include "report/addins/chartdata.h"
#include "report/model/objects.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The chart object: draws a chart of the captions and values that two memos
// print while a report is built (the data chart), or, with no memo lines and
// no memo names, the picture it was stored with (the picture chart).
//
// Building: the object carries the notification flag, so the builder tells it
// of every memo printed (TfrObjectBuilder::objectPrinted). What it collects
// (frCollectChartText) is kept in the build state, starting from the
// object's own memo; every printed instance writes the collected lines as
// its memo into the prepared page and starts collecting anew. In the first
// of two passes nothing is collected and nothing emptied, so the second pass
// collects exactly what a single pass would.
//
// Drawing: the data chart draws the memo's series (frDrawChartMemo); a memo
// that holds nothing drawable (no captions or values, unequal counts ...)
// gives only the object's background. The picture chart stretches its picture
// into the draw rectangle when the picture is one this program decodes
// (bitmap, icon, JPEG), else it draws the chart without series (the empty
// chart). Both are drawn on the fill colour, white when the fill is
// transparent, and the frame follows. In the designer a data chart with
// nothing collected yet shows the empty chart, so that it can be seen.
// Exports take the chart as a picture: text exports get nothing of it,
// picture exports its drawing.
//
// Stored form (after the common object data): a kind byte, 0 for the data
// chart (the settings block of frWriteChartSettings follows: eight settings
// bytes, the top count, 36 reserved bytes and three names), 1 for the picture
// chart (an i32 byte count and the picture's bytes). Writing chooses the data
// chart when the memo has lines or a memo name is set, and also when there is
// no picture to keep: a chart without names keeps its settings so (the empty
// chart it shows is drawn from them). The picture chart writes the bytes it
// was read with, unchanged, whatever they hold (the original files keep an
// enhanced metafile there, which this platform cannot draw). So every chart
// this program writes reads back as it was.
//
// Properties: `Chart` (editor button, one object) gives the chart kind; the
// settings are reached one by one as `Chart.Kind`, `Chart.View3D`,
// `Chart.SingleSeries`, `Chart.Legend`, `Chart.Axes`, `Chart.Marks`,
// `Chart.Multicolored`, `Chart.MarkStyle`, `Chart.TopCount`,
// `Chart.CaptionObject`, `Chart.ValueObject` and `Chart.RestCaption`, which
// the inspector does not list (the chart editor sets them in this order). A
// top count given as text must be an integer; other text throws and changes
// nothing.
class TfrChartView : public TfrView {
public:
    TfrChartView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    TfrChartSettings settings;

    // Whether the object draws collected data (memo lines or a memo name
    // set) rather than its picture.
    bool drawsData() const;

    // The stored picture as read (empty: none), and its image when it is
    // one this program decodes (else null).
    const QByteArray& pictureBytes() const { return m_picture.data; }
    const QImage& pictureImage() const { return m_picture.image; }
    void setPictureBytes(const QByteArray& bytes);

    void assign(const TfrView& source) override;
    // Throws EFormatError for a cut record, a kind byte other than 0 and 1,
    // or a picture count that is negative or runs past the stream.
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
    // Said once per load for a picture chart whose picture cannot be shown.
    QString loadWarning() const override;

private:
    TfrPicture m_picture;
};
