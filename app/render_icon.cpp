// Build tool: draws the program's SVG icon as square PNGs of the given sizes,
// <out>/<size>x<size>/apps/korvel.png, the layout of the hicolor icon theme.
// Usage: render_icon <icon.svg> <out> <size>...

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: render_icon <icon.svg> <out> <size>...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "render_icon: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            svg.render(&painter);
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        // The PNG writer stores no time, so the same icon gives the same bytes.
        if (!QDir().mkpath(dir) || !image.save(dir + QStringLiteral("/korvel.png"), "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
