// kestrova-assetgen DATA_DIR ICON_DIR
//
// Draws every picture the program embeds or the sample marketplace serves and
// writes them below DATA_DIR (normally assets/data), and the icons installed
// for the desktop below ICON_DIR (normally assets/icons; kept apart because
// everything below assets/data is compiled into the program). Each file is
// decoded again with Qt before it is written, so a file that Qt cannot read
// back at the intended size and format is never committed.

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

// 1 when Qt does not read the file back as intended (and says why), else 0.
int ReportReadBack(const AssetFile& file) {
    const std::string problem = CheckReadBack(file);
    if (problem.empty())
        return 0;
    std::fprintf(stderr, "%s: %s\n", file.name.c_str(), problem.c_str());
    return 1;
}

bool WriteAll(const std::vector<AssetFile>& files, const QString& outputDir) {
    const QDir dir(outputDir);
    for (const AssetFile& file : files) {
        const QString path = dir.filePath(QString::fromStdString(file.name));
        if (!QDir().mkpath(QFileInfo(path).path())) {
            std::fprintf(stderr, "cannot create the folder of %s\n", qPrintable(path));
            return false;
        }
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(reinterpret_cast<const char*>(file.bytes.data()),
                      static_cast<qint64>(file.bytes.size())) !=
                static_cast<qint64>(file.bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%-32s %6zu bytes  %s", file.name.c_str(), file.bytes.size(),
                    file.format.constData());
        for (const QSize& size : file.sizes)
            std::printf(" %dx%d", size.width(), size.height());
        std::printf("\n");
    }
    return true;
}

int Run(const QString& dataDir, const QString& iconDir) {
    std::vector<AssetFile> data = RatingIcons();
    for (auto& f : VerdictPictures())
        data.push_back(std::move(f));
    data.push_back(LicenceIcon());
    data.push_back(WindowIcon());
    for (auto& f : SamplePictures())
        data.push_back(std::move(f));
    const std::vector<AssetFile> icons = DesktopIcons();

    int failures = 0;
    for (const AssetFile& file : data)
        failures += ReportReadBack(file);
    for (const AssetFile& file : icons)
        failures += ReportReadBack(file);
    if (failures > 0)
        return 1;
    return WriteAll(data, dataDir) && WriteAll(icons, iconDir) ? 0 : 1;
}

}  // namespace
}  // namespace kestrova::assetgen

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR ICON_DIR\n", argv[0]);
        return 2;
    }
    // Text in the shop logos needs the font database, hence an application
    // object; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        return kestrova::assetgen::Run(QString::fromLocal8Bit(argv[1]),
                                       QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrova-assetgen: %s\n", e.what());
        return 1;
    }
}
