// Renders an SVG file into a square PNG of the given size: the build's way to make the
// hicolor theme's bitmap icons from the one scalable icon.
//   svg_to_png IN.svg SIZE OUT.png

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: svg_to_png IN.svg SIZE OUT.png\n", stderr);
        return 1;
    }
    char* end = nullptr;
    const long side = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || side < 1 || side > 4096) {
        std::fprintf(stderr, "svg_to_png: bad size '%s'\n", argv[2]);
        return 1;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "svg_to_png: %s: not a valid SVG file\n", argv[1]);
        return 1;
    }
    QImage image(static_cast<int>(side), static_cast<int>(side), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "svg_to_png: %s: cannot be written\n", argv[3]);
        return 1;
    }
    return 0;
}
