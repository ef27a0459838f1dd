#include "jpeg_image.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>

namespace {

QByteArray encodeWithQt(const QImage& image, int quality = 95) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPG", quality));
    return bytes;
}

QByteArray readResource(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// A picture with enough detail that its entropy-coded data is long.
QByteArray sampleJpeg() {
    QImage image(160, 120, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixelColor(x, y, QColor((x * 7) % 256, (y * 5) % 256, ((x ^ y) * 3) % 256));
        }
    }
    return encodeWithQt(image);
}

// The number of colour components named in the frame header, or -1.
int componentCount(const QByteArray& jpeg) {
    // Baseline (C0) or progressive (C2) frame: FF Cx, length (2), precision,
    // height (2), width (2), component count.
    for (const char marker : {'\xC0', '\xC2'}) {
        const qsizetype frame = jpeg.indexOf(QByteArray("\xFF", 1) + marker);
        if (frame >= 0 && frame + 9 < jpeg.size()) {
            return static_cast<unsigned char>(jpeg[frame + 9]);
        }
    }
    return -1;
}

int maxChannelDifference(QColor a, QColor b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

// Writes a CMYK JPEG with libjpeg itself; Qt cannot write one.
QByteArray encodeCmyk(int width, int height, const JSAMPLE (&ink)[4], bool adobeMarker) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    cinfo.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 4);
    for (int x = 0; x < width; ++x) {
        std::copy(std::begin(ink), std::end(ink), row.begin() + x * 4);
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
    return bytes;
}

TEST(JpegImage, ShippedPictureFillsTheFirstPage) {
    const QImage picture = decodeJpeg(readResource(QStringLiteral(":/app/zentor.jpg")));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(769, 471));
    EXPECT_EQ(picture.format(), QImage::Format_RGB888);

    // The link label sits in the bottom-left corner: that area must be one
    // plain, light colour so that the navy text reads well.
    const QColor reference = picture.pixelColor(0, picture.height() - 1);
    EXPECT_GT(reference.lightness(), 200);
    for (int y = picture.height() - 20; y < picture.height(); ++y) {
        for (int x = 0; x < 120; ++x) {
            ASSERT_LE(maxChannelDifference(picture.pixelColor(x, y), reference), 6)
                << "at " << x << "," << y;
        }
    }
}

TEST(JpegImage, ShippedIconsAreSquareAndTransparentAtTheCorners) {
    for (const auto& [path, size] :
         {std::pair{":/app/zentor.png", 256}, {":/app/zentor_48.png", 48}}) {
        QImage icon;
        ASSERT_TRUE(icon.loadFromData(readResource(QString::fromLatin1(path)), "PNG")) << path;
        EXPECT_EQ(icon.size(), QSize(size, size)) << path;
        EXPECT_TRUE(icon.hasAlphaChannel()) << path;
        EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0) << path;
        EXPECT_GT(icon.pixelColor(size / 2, size / 2).alpha(), 250) << path;
    }
}

TEST(JpegImage, GrayscaleDecodesToEqualChannels) {
    struct Case {
        int width, height, grey;
    };
    for (const Case c : {Case{1, 1, 0}, Case{17, 9, 100}, Case{64, 64, 200}, Case{640, 3, 255}}) {
        QImage source(c.width, c.height, QImage::Format_Grayscale8);
        source.fill(QColor(c.grey, c.grey, c.grey));
        const QByteArray bytes = encodeWithQt(source);
        ASSERT_EQ(componentCount(bytes), 1) << "not stored as a grayscale JPEG";
        const QImage decoded = decodeJpeg(bytes);
        ASSERT_FALSE(decoded.isNull()) << c.width << "x" << c.height;
        EXPECT_EQ(decoded.size(), QSize(c.width, c.height));
        EXPECT_EQ(decoded.format(), QImage::Format_RGB888);
        const QColor probe = decoded.pixelColor(c.width / 2, c.height / 2);
        EXPECT_NEAR(probe.red(), c.grey, 3) << c.width << "x" << c.height;
        EXPECT_EQ(probe.red(), probe.green());
        EXPECT_EQ(probe.red(), probe.blue());
    }
}

TEST(JpegImage, GrayscaleKeepsItsLayout) {
    // Dark left half, light right half: a decoder that mixed up rows or
    // strides would move the edge.
    QImage source(96, 40, QImage::Format_Grayscale8);
    source.fill(QColor(30, 30, 30));
    QPainter(&source).fillRect(48, 0, 48, 40, QColor(220, 220, 220));
    const QImage decoded = decodeJpeg(encodeWithQt(source));
    ASSERT_EQ(decoded.size(), source.size());
    for (int y : {0, 20, 39}) {
        EXPECT_NEAR(decoded.pixelColor(10, y).red(), 30, 6) << y;
        EXPECT_NEAR(decoded.pixelColor(85, y).red(), 220, 6) << y;
    }
}

TEST(JpegImage, ColourQuadrantsComeOutInPlace) {
    QImage source(80, 60, QImage::Format_RGB888);
    QPainter painter(&source);
    painter.fillRect(0, 0, 40, 30, QColor(220, 30, 30));
    painter.fillRect(40, 0, 40, 30, QColor(30, 200, 40));
    painter.fillRect(0, 30, 40, 30, QColor(40, 40, 210));
    painter.fillRect(40, 30, 40, 30, QColor(240, 240, 240));
    painter.end();

    const QByteArray bytes = encodeWithQt(source);
    ASSERT_EQ(componentCount(bytes), 3);
    const QImage decoded = decodeJpeg(bytes);
    ASSERT_EQ(decoded.size(), source.size());
    for (const QPoint p : {QPoint(20, 15), QPoint(60, 15), QPoint(20, 45), QPoint(60, 45)}) {
        EXPECT_LE(maxChannelDifference(decoded.pixelColor(p), source.pixelColor(p)), 12)
            << p.x() << "," << p.y();
    }
    // Qt's own reader sits on the same library: the two decodings agree closely.
    const QImage byQt = QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(byQt.size(), decoded.size());
    int worst = 0;
    for (int y = 0; y < decoded.height(); ++y) {
        for (int x = 0; x < decoded.width(); ++x) {
            worst = std::max(worst,
                             maxChannelDifference(decoded.pixelColor(x, y), byQt.pixelColor(x, y)));
        }
    }
    EXPECT_LE(worst, 4);
}

TEST(JpegImage, CmykIsConvertedWithAndWithoutTheAdobeInversion) {
    struct Case {
        JSAMPLE ink[4];
        bool adobe;
        QColor expected;
    };
    const Case cases[] = {
        // Adobe files store 255 for "no ink".
        {{255, 0, 0, 255}, true, QColor(255, 0, 0)},
        {{255, 255, 255, 128}, true, QColor(128, 128, 128)},
        // Without the marker, plain ink amounts.
        {{0, 255, 255, 0}, false, QColor(255, 0, 0)},
        {{0, 0, 0, 255}, false, QColor(0, 0, 0)},
    };
    for (const Case& c : cases) {
        const QImage decoded = decodeJpeg(encodeCmyk(24, 16, c.ink, c.adobe));
        ASSERT_EQ(decoded.size(), QSize(24, 16));
        EXPECT_LE(maxChannelDifference(decoded.pixelColor(12, 8), c.expected), 6)
            << int(c.ink[0]) << "," << int(c.ink[1]) << "," << int(c.ink[2]) << "," << int(c.ink[3])
            << " adobe " << c.adobe;
    }
}

TEST(JpegImage, TruncatedDataGivesNullImage) {
    const QByteArray whole = sampleJpeg();
    ASSERT_FALSE(decodeJpeg(whole).isNull());
    for (const qsizetype length : {qsizetype{2}, qsizetype{20}, whole.size() / 3, whole.size() / 2,
                                   whole.size() - 40, whole.size() - 2}) {
        EXPECT_TRUE(decodeJpeg(whole.left(length)).isNull()) << "cut at " << length;
    }
}

TEST(JpegImage, GarbageGivesNullImage) {
    QByteArray noise(4096, '\0');
    unsigned state = 12345;
    for (char& byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    QImage png(8, 8, QImage::Format_RGB32);
    png.fill(Qt::red);
    QByteArray pngBytes;
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(png.save(&buffer, "PNG"));

    const QByteArray inputs[] = {
        QByteArray(),
        QByteArray("not a picture at all"),
        QByteArray("\xFF\xD8", 2),
        QByteArray("\xFF\xD8\xFF\xD9", 4),
        noise,
        QByteArray("\xFF\xD8", 2) + noise,
        pngBytes,
    };
    int index = 0;
    for (const QByteArray& input : inputs) {
        EXPECT_TRUE(decodeJpeg(input).isNull()) << "input " << index;
        ++index;
    }
}

TEST(JpegImage, PixelLimitIsInclusive) {
    QImage source(64, 32, QImage::Format_RGB888);
    source.fill(Qt::darkCyan);
    const QByteArray bytes = encodeWithQt(source);
    EXPECT_EQ(decodeJpeg(bytes, 64 * 32).size(), QSize(64, 32));
    EXPECT_TRUE(decodeJpeg(bytes, 64 * 32 - 1).isNull());
}

TEST(JpegImage, ForgedHugeSizeIsRefusedBeforeAllocating) {
    QByteArray bytes = sampleJpeg();
    // The baseline frame header: FF C0, length (2), precision (1), height (2), width (2).
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GE(frame, 0);
    for (int i : {5, 6, 7, 8}) {
        bytes[frame + i] = static_cast<char>(0xFF);
    }
    EXPECT_TRUE(decodeJpeg(bytes).isNull());
}

TEST(JpegImage, DamagedDataNeverYieldsAWrongSizedPicture) {
    const QByteArray whole = sampleJpeg();
    // Overwrite stretches of the entropy-coded data. The decoder may notice
    // or may decode a garbled picture; it must not crash or misreport the size.
    for (const qsizetype at : {whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4}) {
        QByteArray damaged = whole;
        for (qsizetype i = at; i < at + 64; ++i) {
            damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
        }
        const QImage decoded = decodeJpeg(damaged);
        if (!decoded.isNull()) {
            EXPECT_EQ(decoded.size(), QSize(160, 120)) << "damage at " << at;
        }
    }
}

} // namespace
