// Images drawn by widgets that sit inside others (a scroll area's content, a card in a list): at the widget's
// own place in its window, once, whatever offset the window system's painting adds.
#include "platform/gui/image.h"

#include <QPainter>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace tessly {
namespace {

/// Draws a red template square at its top left corner, through the device-pixel path of tinted images.
class TemplateView final : public QWidget {
public:
    explicit TemplateView(QWidget* parent) : QWidget(parent) { setFixedSize(60, 60); }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage square(20, 20, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::black);
        QPainter painter(this);
        makeBitmapImage(square)->drawTinted(painter, QRectF(0, 0, 20, 20), Qt::red);
    }
};

TEST(ImageInWidgetsTest, ATintedImageInAScrolledWidgetLandsAtTheWidgetsPlaceOnce) {
    QWidget window;
    window.resize(300, 300);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(40, 50, 40, 40);
    auto* scroll = new QScrollArea(&window);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget;
    content->resize(200, 400);
    auto* view = new TemplateView(content);
    view->move(30, 20);
    scroll->setWidget(content);
    layout->addWidget(scroll);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QImage shot = window.grab().toImage();
    const QPoint place = view->mapTo(&window, QPoint(10, 10));
    EXPECT_EQ(QColor(shot.pixel(place)), QColor(Qt::red)) << "at the widget's place";
    const QPoint twice = place + view->mapTo(&window, QPoint(0, 0));
    EXPECT_NE(QColor(shot.pixel(twice)), QColor(Qt::red))
        << "not shifted by the widget's place a second time";
}

} // namespace
} // namespace tessly
