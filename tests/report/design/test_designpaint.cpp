// The page area as the designer draws it.

#include "designfixture.h"

#include "report/design/designpaint.h"

#include <QImage>
#include <QPainter>

namespace {

using Paint = DesignTest;

QImage paint(const TfrDesignDocument& doc, QPoint origin = QPoint(10, 10)) {
    QImage image(doc.pageSize() + QSize(origin.x() + 10, 20), QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    QPainter p(&image);
    frPaintDesignPage(p, doc, origin, image.rect());
    return image;
}

TEST_F(Paint, ThePaperGridObjectsAndHandles) {
    TfrMemoView& m = memo("M", 100, 100, 60, 20);
    m.fillColor = 0x00FFFF; // yellow
    doc->setGridSize(8);
    const QImage image = paint(*doc);
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::darkGray)); // outside the paper
    EXPECT_EQ(image.pixelColor(10 + 400, 10 + 400), QColor(0xA0, 0xA0, 0xA0)); // a grid point
    EXPECT_EQ(image.pixelColor(10 + 401, 10 + 400), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(10 + 130, 10 + 105), QColor(Qt::yellow));
    EXPECT_NE(image.pixelColor(10 + 100, 10 + 100), QColor(Qt::black)); // not selected yet

    doc->selectObjects({&m});
    const QImage selected = paint(*doc);
    for (const auto& [handle, at] : doc->handles())
        EXPECT_EQ(selected.pixelColor(at + QPoint(10, 10)), QColor(Qt::black)) << int(handle);

    doc->settings().gridShow = false;
    EXPECT_EQ(paint(*doc).pixelColor(10 + 400, 10 + 400), QColor(Qt::white));
}

TEST_F(Paint, BandTitlesStandLeftOfThePaper) {
    band("MasterData1", btMasterData, 200, 40);
    memo("Over", 0, 200, 30, 20).fillColor = 0xFF0000; // blue, at the band's corner
    const QPoint origin(frBandTitleWidth + 10, 10);
    const QImage image = paint(*doc, origin);
    EXPECT_EQ(image.pixelColor(origin + QPoint(28, 217)), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(origin + QPoint(-6, 203)), QColor(0xE8, 0xE8, 0xF0)); // the title's background
    EXPECT_EQ(image.pixelColor(origin + QPoint(-6, 230)), QColor(Qt::darkGray));     // below it
    doc->settings().bandTitles = false;
    EXPECT_EQ(paint(*doc, origin).pixelColor(origin + QPoint(-6, 203)), QColor(Qt::darkGray));
    EXPECT_EQ(frBandTitle(static_cast<const TfrBandView&>(*find("MasterData1"))), QStringLiteral("Master data: MasterData1"));
}

TEST_F(Paint, WhatADragShows) {
    memo("M", 100, 100, 60, 20);
    select({"M"});
    doc->settings().selectionMode = 0;
    doc->beginMove(QPoint(100, 100));
    doc->dragTo(QPoint(300, 300), false);
    // The object stays until the drag ends; its outline follows the mouse.
    EXPECT_EQ(find("M")->left, 100);
    const QImage image = paint(*doc);
    EXPECT_EQ(image.pixelColor(10 + 300, 10 + 300), QColor(Qt::black));
    doc->release(QPoint(300, 300), Qt::NoModifier);
    EXPECT_EQ(box(find("M")), (TfrBox{300, 300, 60, 20}));
}

} // namespace
