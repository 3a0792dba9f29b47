// The QPainter drawing surface on a QImage: exclusive-or, text alignment, and one full
// picture of the graph saved as a PNG for a person to look at.
#include "graph/graphengine.h"
#include "graph/qpaintersurface.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vexa {
namespace {

class QPainterSurfaceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "graph_qt_tests";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance())
            app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() { app_.reset(); }

    static QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
    static QRgb QtRgb(Rgb colour) { return QPainterSurface::ToQColor(colour).rgb() & 0xFFFFFF; }

    static std::unique_ptr<QGuiApplication> app_;
};

std::unique_ptr<QGuiApplication> QPainterSurfaceTest::app_;

TEST_F(QPainterSurfaceTest, ColoursAreRedInTheLowByte) {
    EXPECT_EQ(QPainterSurface::ToQColor(0x0080FF), QColor(255, 128, 0));
    EXPECT_EQ(QPainterSurface::ToQColor(0xFF0000), QColor(0, 0, 255));
}

TEST_F(QPainterSurfaceTest, TextIsWindows1252) {
    EXPECT_EQ(QPainterSurface::FromWindows1252("\x80 \xE9\x96"), QString::fromUtf8("€ é–"));
}

TEST_F(QPainterSurfaceTest, ExclusiveOrEllipseInvertsInsideAndOutlineOnce) {
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x40, 0x60));
    {
        QPainter painter(&image);
        QPainterSurface surface(painter);
        surface.SelectPen({PenStyle::kSolid, 2, 0xFFFFFF});
        surface.SelectBrush({0xFFFFFF});
        surface.SetXorMode(true);
        surface.Ellipse(10, 10, 50, 50);
        surface.SetXorMode(false);
        surface.FillRect(0, 0, 5, 5, 0x0000FF); // ordinary painting again
    }
    const QRgb inverted = qRgb(0xDF, 0xBF, 0x9F);
    EXPECT_EQ(Pixel(image, 30, 30), inverted & 0xFFFFFF); // inside
    EXPECT_EQ(Pixel(image, 30, 10), inverted & 0xFFFFFF); // on the outline
    EXPECT_EQ(Pixel(image, 10, 30), inverted & 0xFFFFFF);
    EXPECT_EQ(Pixel(image, 30, 54), qRgb(0x20, 0x40, 0x60) & 0xFFFFFF); // outside
    EXPECT_EQ(Pixel(image, 2, 2), qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(qAlpha(image.pixel(30, 30)), 255);
}

TEST_F(QPainterSurfaceTest, TextAlignmentPlacesTheBox) {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPainterSurface surface(painter);
    const TextExtent e = surface.GetTextExtent("Wg");
    ASSERT_GT(e.width, 0);
    ASSERT_GT(e.height, 0);
    surface.SetBkColor(0x00FFFF);
    surface.SetBkOpaque(true);
    surface.SetTextColor(0x000000);

    surface.SetTextAlign(TextAlign::kLeftBottom);
    surface.TextOut(20, 60, "Wg");
    // The opaque box spans x 20..20+w-1 and y 60-h..59.
    const QRgb yellow = qRgb(255, 255, 0) & 0xFFFFFF;
    EXPECT_EQ(Pixel(image, 20 + e.width - 1, 60 - e.height), yellow);
    EXPECT_EQ(Pixel(image, 19, 59), 0xFFFFFFu);
    EXPECT_EQ(Pixel(image, 20, 60), 0xFFFFFFu);

    surface.SetTextAlign(TextAlign::kCentreTop);
    surface.TextOut(150, 40, "Wg");
    const int left = 150 - e.width / 2;
    EXPECT_EQ(Pixel(image, left + e.width - 1, 40), yellow);
    EXPECT_EQ(Pixel(image, left - 1, 40), 0xFFFFFFu);
    EXPECT_EQ(Pixel(image, left, 39), 0xFFFFFFu);
    EXPECT_EQ(Pixel(image, left + e.width, 40), 0xFFFFFFu);
}

TEST_F(QPainterSurfaceTest, TwoCurvesCrosshairAndCalloutPicture) {
    const int width = 640;
    const int height = 400;
    QImage image(width, height, QImage::Format_RGB32);

    CGraphEngine graph(50, 10);
    graph.SetPlotRect(20, 20, width - 50, height - 40);
    // Both curves share their first five points; trace 1 ends up current and must lie
    // on top of trace 0 there.
    const std::vector<float> rising{55, 55, 55, 55, 55, 60, 70, 80, 90, 100};
    const std::vector<float> falling{55, 55, 55, 55, 55, 40, 30, 20, 10, 0};
    graph.SetTraceValues(0, rising);
    graph.SetTraceValues(1, falling);
    graph.SetTraceVisible(0, 1);
    graph.SetTraceVisible(1, 1);
    graph.SetTraceText(1, "Falling", "Point %s: %.0f");

    auto paint = [&] {
        image.fill(QPainterSurface::ToQColor(graph.GetBackgroundColor()));
        QPainter painter(&image);
        QPainterSurface surface(painter);
        graph.Draw(surface);
        graph.DrawCrosshair(surface);
        graph.DrawCallout(surface);
    };
    {
        QPainter painter(&image);
        QPainterSurface surface(painter);
        graph.MeasureLabels(surface);
    }
    paint();
    ASSERT_EQ(graph.OnMouseDown(0, graph.PointX(9), graph.ValueY(0)), 1);
    ASSERT_EQ(graph.GetCurrentTrace(), 1);
    graph.OnMouseUp(0, graph.PointX(9), graph.ValueY(0));
    graph.SetCrosshair(7.5f, 80.0f);
    paint();

    QDir().mkpath(VEXA_TEST_OUTPUT_DIR);
    const QString file = QString(VEXA_TEST_OUTPUT_DIR) + "/graph_two_curves.png";
    EXPECT_TRUE(image.save(file));

    // The current trace covers the other on the shared segment.
    const int midX = (graph.PointX(1) + graph.PointX(2)) / 2;
    EXPECT_EQ(Pixel(image, midX, graph.ValueY(55)), QtRgb(graph.GetTraceColor(1)));

    // The crosshair disc inverted the white background: black inside, white outside.
    const int cx = graph.PointX(7.5f);
    const int cy = graph.ValueY(80.0f);
    EXPECT_EQ(Pixel(image, cx + 5, cy + 5), 0x000000u);
    EXPECT_EQ(Pixel(image, cx - 6, cy + 4), 0x000000u);
    EXPECT_EQ(Pixel(image, cx + 26, cy + 6), 0xFFFFFFu);
    // The red circle around it.
    EXPECT_EQ(Pixel(image, cx, cy + 20), qRgb(255, 0, 0) & 0xFFFFFF);

    // The selected point's marker lies over its line, filled orange.
    EXPECT_EQ(Pixel(image, graph.PointX(9) - 1, graph.ValueY(0) - 1), qRgb(255, 128, 0) & 0xFFFFFF);

    // The callout text sits on a yellow box on the plot's top edge.
    int yellow = 0;
    for (int x = graph.GetScale().xOrigin; x < graph.GetScale().xOrigin + 60; ++x)
        for (int y = 5; y < 20; ++y)
            if (Pixel(image, x, y) == (qRgb(255, 255, 0) & 0xFFFFFF))
                ++yellow;
    EXPECT_GT(yellow, 100);
}

} // namespace
} // namespace vexa
