// Build tool: renders the scalable icon into the fixed-size PNGs that icon themes and older
// panels look up (hicolor/<size>x<size>/apps). Usage: render_icon <svg> <size> <png>
//
// The SVG is read through Qt's image reader, so only the svg image-format plugin (libqt6svg6)
// is needed, not the SVG development files. The reader renders the drawing at the requested
// size directly, which keeps small sizes sharp instead of scaling a large bitmap down.

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <svg> <size> <png>\n", argv[0]);
        return 2;
    }
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!ok || size < 1 || size > 1024) {
        std::fprintf(stderr, "render_icon: bad size '%s'\n", argv[2]);
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]), "svg");
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "render_icon: cannot render %s: %s\n", argv[1],
                     qPrintable(reader.errorString()));
        return 1;
    }
    if (image.width() != size || image.height() != size) {
        std::fprintf(stderr, "render_icon: rendered %dx%d instead of %dx%d\n", image.width(),
                     image.height(), size, size);
        return 1;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32)
             .save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "render_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
