// kestrova-assetgen OUTPUT_DIR
//
// Draws every picture the program embeds or the sample marketplace serves and
// writes them below OUTPUT_DIR (normally assets/data). Each file is decoded
// again with Qt before it is written, so a file that Qt cannot read back at
// the intended size and format is never committed.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <cstdio>
#include <exception>
#include <string>

#include "tools/assetgen/Pictures.h"

namespace kestrova::assetgen {
namespace {

bool SamePixels(const QImage& decoded, const QImage& expected) {
    if (decoded.size() != expected.size())
        return false;
    const QImage a = decoded.convertToFormat(QImage::Format_ARGB32);
    const QImage b = expected.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAlpha(p) == 0 && qAlpha(q) == 0)
                continue;
            if (p != q)
                return false;
        }
    }
    return true;
}

// Empty when Qt reads the file back as intended, else what is wrong.
std::string CheckReadBack(const AssetFile& file) {
    QByteArray bytes(reinterpret_cast<const char*>(file.bytes.data()),
                     static_cast<qsizetype>(file.bytes.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format() != file.format)
        return "read as format '" + reader.format().toStdString() + "'";
    const int count = file.sizes.size() > 1 ? reader.imageCount() : 1;
    if (count != static_cast<int>(file.sizes.size()))
        return "holds " + std::to_string(count) + " images";
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            return "cannot reach image " + std::to_string(i + 1);
        const QImage image = reader.read();
        if (image.isNull())
            return "image " + std::to_string(i + 1) +
                   " does not decode: " + reader.errorString().toStdString();
        if (image.size() != file.sizes[static_cast<std::size_t>(i)]) {
            return "image " + std::to_string(i + 1) + " decodes at " +
                   std::to_string(image.width()) + "x" + std::to_string(image.height());
        }
        if (!file.exact.isNull() && !SamePixels(image, file.exact))
            return "decoded pixels differ from the drawing";
    }
    return {};
}

int Run(const QString& outputDir) {
    std::vector<AssetFile> files = RatingIcons();
    for (auto& f : VerdictPictures())
        files.push_back(std::move(f));
    files.push_back(LicenceIcon());
    files.push_back(WindowIcon());
    for (auto& f : SamplePictures())
        files.push_back(std::move(f));

    int failures = 0;
    for (const AssetFile& file : files) {
        if (const std::string problem = CheckReadBack(file); !problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", file.name.c_str(), problem.c_str());
            ++failures;
        }
    }
    if (failures > 0)
        return 1;

    const QDir dir(outputDir);
    for (const AssetFile& file : files) {
        const QString path = dir.filePath(QString::fromStdString(file.name));
        if (!QDir().mkpath(QFileInfo(path).path())) {
            std::fprintf(stderr, "cannot create the folder of %s\n", qPrintable(path));
            return 1;
        }
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(reinterpret_cast<const char*>(file.bytes.data()),
                      static_cast<qint64>(file.bytes.size())) !=
                static_cast<qint64>(file.bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%-28s %6zu bytes  %s", file.name.c_str(), file.bytes.size(),
                    file.format.constData());
        for (const QSize& size : file.sizes)
            std::printf(" %dx%d", size.width(), size.height());
        std::printf("\n");
    }
    return 0;
}

}  // namespace
}  // namespace kestrova::assetgen

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    // Text in the shop logos needs the font database, hence an application
    // object; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        return kestrova::assetgen::Run(QString::fromLocal8Bit(argv[1]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrova-assetgen: %s\n", e.what());
        return 1;
    }
}
