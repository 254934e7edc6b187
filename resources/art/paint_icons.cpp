// Paints the reader's ear icon and the About box artwork into resources/ from the path data
// below, and writes the same drawing as the scalable icon. Not part of the build; run it by
// hand after changing the drawing:
//
//   g++ -std=c++20 -fPIC paint_icons.cpp -o /tmp/paint_icons \
//       $(pkg-config --cflags --libs Qt6Gui) && QT_QPA_PLATFORM=offscreen /tmp/paint_icons ..
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextStream>

namespace {
// A 64 by 64 drawing: the outer ear, the fold of its rim, the opening, and sound waves.
const char *EarOutline = "M 22 28 C 22 12 34 4 45 5 C 57 6 62 17 59 29 C 57 37 50 41 48 47 "
                         "C 46 54 43 61 35 61 C 28 61 25 56 26 52 C 27 48 31 47 32 44 "
                         "C 31 40 22 38 22 28 Z";
const char *EarFold = "M 30 27 C 30 18 37 13 45 14 C 52 15 55 22 53 28 C 51 34 45 35 43 41";
const char *EarOpening = "M 37 31 C 39 27 45 27 46 31";
const char *WaveNear = "M 15 24 C 11 29 11 39 15 44";
const char *WaveFar = "M 8 19 C 2 27 2 41 8 49";

const QColor Skin(0xf4, 0xc6, 0x9f);
const QColor Line(0x7a, 0x3f, 0x22);
const QColor Wave(0x23, 0x6a, 0xb9);

QPainterPath parse(const char *data)
{
    QPainterPath path;
    const QStringList tokens = QString::fromLatin1(data).split(
        QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < tokens.size();) {
        const QString op = tokens.at(i++);
        const auto number = [&] { return tokens.at(i++).toDouble(); };
        if (op == QLatin1String("M")) {
            const double x = number();
            path.moveTo(x, number());
        } else if (op == QLatin1String("C")) {
            const double x1 = number(), y1 = number(), x2 = number(), y2 = number(), x = number();
            path.cubicTo(x1, y1, x2, y2, x, number());
        } else if (op == QLatin1String("Z")) {
            path.closeSubpath();
        }
    }
    return path;
}

// Line widths are set in pixels of the target so that the small sizes stay crisp.
void paintEar(QPainter &p, double size, bool waves)
{
    const double unit = size / 64.0;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(unit, unit);
    const double outline = std::max(1.0, size / 28.0) / unit;
    const double detail = std::max(1.0, size / 36.0) / unit;
    p.setPen(QPen(Line, outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Skin);
    p.drawPath(parse(EarOutline));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Line, detail, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(parse(EarFold));
    p.drawPath(parse(EarOpening));
    p.setBrush(Line);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(39.5, 35.5), 2.6, 2.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Wave, outline, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(parse(WaveNear));
    if (waves)
        p.drawPath(parse(WaveFar));
    p.restore();
}

void writeIcon(const QString &folder, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintEar(p, size, size >= 32);
    p.end();
    image.save(QStringLiteral("%1/icons/parlance-%2.png").arg(folder).arg(size));
}

void writeArtwork(const QString &folder)
{
    QImage image(501, 157, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 501, 157);
    sky.setColorAt(0, QColor(0x12, 0x2d, 0x52));
    sky.setColorAt(1, QColor(0x1f, 0x7a, 0x8c));
    p.fillRect(image.rect(), sky);
    // Rings spreading from the ear, the way a voice carries.
    p.setPen(QPen(QColor(255, 255, 255, 40), 2));
    for (int r = 40; r < 420; r += 34)
        p.drawEllipse(QPointF(80, 78), r, r);
    p.translate(18, 16);
    paintEar(p, 124, true);
    p.resetTransform();
    QFont title(QStringLiteral("DejaVu Sans"), 24, QFont::Bold);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(160, 28, 330, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Larkvane"));
    QFont subtitle(QStringLiteral("DejaVu Sans"), 15);
    p.setFont(subtitle);
    p.drawText(QRectF(160, 68, 330, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Text-to-Speech Reader"));
    QFont note(QStringLiteral("DejaVu Sans"), 9);
    p.setFont(note);
    p.setPen(QColor(0xd8, 0xe8, 0xf0));
    p.drawText(QRectF(160, 108, 330, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Parlance: your documents, your clipboard, read aloud"));
    p.end();
    image.save(folder + QStringLiteral("/about.png"));
}

void writeSvg(const QString &folder)
{
    QFile file(folder + QStringLiteral("/icons/parlance.svg"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QTextStream out(&file);
    const auto colour = [](const QColor &c) { return c.name(); };
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
           "viewBox=\"0 0 64 64\">\n"
        << "  <g stroke-linecap=\"round\" stroke-linejoin=\"round\">\n"
        << "    <path d=\"" << EarOutline << "\" fill=\"" << colour(Skin) << "\" stroke=\""
        << colour(Line) << "\" stroke-width=\"2.3\"/>\n"
        << "    <path d=\"" << EarFold << "\" fill=\"none\" stroke=\"" << colour(Line)
        << "\" stroke-width=\"1.8\"/>\n"
        << "    <path d=\"" << EarOpening << "\" fill=\"none\" stroke=\"" << colour(Line)
        << "\" stroke-width=\"1.8\"/>\n"
        << "    <circle cx=\"39.5\" cy=\"35.5\" r=\"2.6\" fill=\"" << colour(Line) << "\"/>\n"
        << "    <path d=\"" << WaveNear << "\" fill=\"none\" stroke=\"" << colour(Wave)
        << "\" stroke-width=\"2.3\"/>\n"
        << "    <path d=\"" << WaveFar << "\" fill=\"none\" stroke=\"" << colour(Wave)
        << "\" stroke-width=\"2.3\"/>\n"
        << "  </g>\n</svg>\n";
}
} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    for (int size : {16, 32, 48, 64})
        writeIcon(folder, size);
    writeArtwork(folder);
    writeSvg(folder);
    return 0;
}
