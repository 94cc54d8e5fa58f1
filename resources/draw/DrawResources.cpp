// Draws the application's images: the tray icon (a template: one light shape with a dark rim, so it
// reads on light and dark panels alike), the display icon and the application icon.
// Usage: kestrix-draw-resources <resources folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

// The device seen from above: a rounded body, the big button, the LED ring around it.
void drawTrayGlyph(QPainter &p, double size)
{
    const double s = size / 18.0;
    QPainterPath body;
    body.addRoundedRect(QRectF(1.5 * s, 1.5 * s, 15 * s, 15 * s), 4 * s, 4 * s);
    QPainterPath button;
    button.addEllipse(QPointF(9 * s, 9 * s), 3.2 * s, 3.2 * s);
    QPainterPath ring;
    ring.addEllipse(QPointF(9 * s, 9 * s), 5.6 * s, 5.6 * s);
    QPainterPath ringHole;
    ringHole.addEllipse(QPointF(9 * s, 9 * s), 4.5 * s, 4.5 * s);

    // Body outline, LED ring and button are "ink"; the rest of the body stays see-through.
    QPainterPath outline = body.subtracted([&] {
        QPainterPath inner;
        inner.addRoundedRect(QRectF(3.0 * s, 3.0 * s, 12 * s, 12 * s), 2.8 * s, 2.8 * s);
        return inner;
    }());
    const QPainterPath ink = outline.united(ring.subtracted(ringHole)).united(button);

    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 20, 24, 210), 1.0 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(245, 245, 247));
    p.drawPath(ink.simplified());
}

QImage trayIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    drawTrayGlyph(p, size);
    return image;
}

QImage appIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 256.0;
    const QPointF centre(128 * s, 128 * s);

    // Rounded body, dark graphite with a soft top light.
    QLinearGradient bodyFill(0, 16 * s, 0, 240 * s);
    bodyFill.setColorAt(0, QColor(58, 62, 72));
    bodyFill.setColorAt(1, QColor(24, 26, 32));
    p.setPen(QPen(QColor(10, 11, 14), 3 * s));
    p.setBrush(bodyFill);
    p.drawRoundedRect(QRectF(16 * s, 16 * s, 224 * s, 224 * s), 52 * s, 52 * s);

    // The LED ring: a hue sweep, glowing.
    QConicalGradient sweep(centre, 90);
    const QColor stops[] = {QColor(0, 214, 196),  QColor(64, 140, 255), QColor(186, 92, 255),
                            QColor(255, 96, 120), QColor(255, 184, 64), QColor(0, 214, 196)};
    for (int i = 0; i < 6; ++i) {
        sweep.setColorAt(i / 5.0, stops[i]);
    }
    QRadialGradient glow(centre, 100 * s);
    glow.setColorAt(0.55, QColor(0, 214, 196, 90));
    glow.setColorAt(1.0, QColor(0, 214, 196, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, 100 * s, 100 * s);
    p.setPen(QPen(QBrush(sweep), 14 * s));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 74 * s, 74 * s);

    // The button: a raised disc.
    QRadialGradient cap(QPointF(116 * s, 108 * s), 70 * s);
    cap.setColorAt(0, QColor(250, 250, 252));
    cap.setColorAt(1, QColor(176, 180, 190));
    p.setPen(QPen(QColor(30, 32, 38), 3 * s));
    p.setBrush(cap);
    p.drawEllipse(centre, 54 * s, 54 * s);
    return image;
}

bool save(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: kestrix-draw-resources <resources folder>\n", stderr);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    bool ok = save(trayIcon(18), dir + QStringLiteral("MenuBarIcon.png")) &&
              save(trayIcon(36), dir + QStringLiteral("MenuBarIcon@2x.png")) &&
              save(appIcon(128), dir + QStringLiteral("AppIconDisplay.png")) &&
              save(appIcon(256), dir + QStringLiteral("AppIcon.png"));
    // The application icon at the icon theme's usual sizes, drawn for each size rather than scaled.
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString folder = dir + QStringLiteral("icons/hicolor/%1x%1/apps/").arg(size);
        ok = ok && QDir().mkpath(folder) && save(appIcon(size), folder + QStringLiteral("io.tamsel.desktop.png"));
    }
    return ok ? 0 : 1;
}
