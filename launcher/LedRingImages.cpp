// Draws the launcher's two LED ring images, lit and dark, into the folder given on the
// command line; the build compiles them into the launcher as resources.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>

namespace
{
const int kSide = 24;

struct RingColours
{
    QColor glow;
    QColor centre;
    QColor rim;
};

QImage DrawRing(const RingColours& colours)
{
    QImage image(kSide, kSide, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(1.5, 1.5, kSide - 3, kSide - 3);
    QRadialGradient light(bounds.center(), bounds.width() / 2);
    light.setColorAt(0.0, colours.centre);
    light.setColorAt(0.6, colours.glow);
    light.setColorAt(1.0, colours.rim);
    painter.setPen(QPen(colours.rim.darker(150), 1.5));
    painter.setBrush(light);
    painter.drawEllipse(bounds);
    painter.setPen(QPen(QColor(20, 20, 20), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(bounds.adjusted(5, 5, -5, -5));
    return image;
}

bool Save(const QImage& image, const QDir& folder, const char* name)
{
    const QString path = folder.filePath(name);
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: led_ring_images <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QImage lit = DrawRing({QColor(60, 230, 60), QColor(220, 255, 220), QColor(0, 110, 0)});
    const QImage dark = DrawRing({QColor(40, 70, 40), QColor(70, 95, 70), QColor(25, 40, 25)});
    const bool saved = Save(lit, folder, "LEDRingOn.png") && Save(dark, folder, "LEDRingOff.png");
    return saved ? 0 : 1;
}
