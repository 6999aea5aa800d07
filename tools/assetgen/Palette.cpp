#include "tools/assetgen/Palette.h"

#include <algorithm>
#include <array>
#include <map>
#include <stdexcept>

namespace kestrova::assetgen {
namespace {

struct ColourCount {
    std::array<int, 3> rgb;
    long count;
};

struct Box {
    std::vector<ColourCount> colours;

    int Range(int channel) const {
        auto [lo, hi] = std::minmax_element(colours.begin(), colours.end(),
                                            [channel](const ColourCount& a, const ColourCount& b) {
                                                return a.rgb[channel] < b.rgb[channel];
                                            });
        return hi->rgb[channel] - lo->rgb[channel];
    }
    int WidestChannel() const {
        int best = 0;
        for (int c = 1; c < 3; ++c) {
            if (Range(c) > Range(best))
                best = c;
        }
        return best;
    }
    long Count() const {
        long n = 0;
        for (const auto& c : colours)
            n += c.count;
        return n;
    }
    QRgb Mean() const {
        std::array<double, 3> sum{};
        const double n = static_cast<double>(Count());
        for (const auto& c : colours) {
            for (int k = 0; k < 3; ++k)
                sum[k] += static_cast<double>(c.rgb[k]) * static_cast<double>(c.count);
        }
        return qRgb(static_cast<int>(sum[0] / n + 0.5), static_cast<int>(sum[1] / n + 0.5),
                    static_cast<int>(sum[2] / n + 0.5));
    }
};

QRgb OverMatte(QRgb pixel, QRgb matte) {
    const int a = qAlpha(pixel);
    auto mix = [a](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
    return qRgb(mix(qRed(pixel), qRed(matte)), mix(qGreen(pixel), qGreen(matte)),
                mix(qBlue(pixel), qBlue(matte)));
}

}  // namespace

std::vector<QRgb> MedianCutPalette(const QImage& source, int maxColours) {
    if (maxColours < 1)
        throw std::invalid_argument("palette needs at least one colour");
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    std::map<QRgb, long> histogram;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) >= kAlphaThreshold)
                ++histogram[row[x] | 0xff000000u];
        }
    }
    std::vector<QRgb> palette;
    if (histogram.size() <= static_cast<std::size_t>(maxColours)) {
        for (const auto& [colour, count] : histogram)
            palette.push_back(colour);
        return palette;
    }

    std::vector<Box> boxes(1);
    for (const auto& [colour, count] : histogram) {
        boxes[0].colours.push_back({{qRed(colour), qGreen(colour), qBlue(colour)}, count});
    }
    while (static_cast<int>(boxes.size()) < maxColours) {
        // Split the box whose widest channel spans most, weighted by how many
        // pixels it holds, so that large smooth areas keep their shades.
        int chosen = -1;
        double bestScore = 0.0;
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            if (boxes[i].colours.size() < 2)
                continue;
            const double score = static_cast<double>(boxes[i].Range(boxes[i].WidestChannel())) *
                                 static_cast<double>(boxes[i].Count());
            if (chosen < 0 || score > bestScore) {
                chosen = i;
                bestScore = score;
            }
        }
        if (chosen < 0)
            break;
        Box& box = boxes[chosen];
        const int channel = box.WidestChannel();
        std::sort(box.colours.begin(), box.colours.end(),
                  [channel](const ColourCount& a, const ColourCount& b) {
                      return a.rgb[channel] < b.rgb[channel];
                  });
        const long half = box.Count() / 2;
        long seen = 0;
        std::size_t cut = 1;
        for (; cut < box.colours.size() - 1; ++cut) {
            seen += box.colours[cut - 1].count;
            if (seen >= half)
                break;
        }
        Box upper;
        upper.colours.assign(box.colours.begin() + static_cast<long>(cut), box.colours.end());
        box.colours.resize(cut);
        boxes.push_back(std::move(upper));
    }
    for (const auto& box : boxes)
        palette.push_back(box.Mean());
    return palette;
}

std::uint8_t NearestIndex(const std::vector<QRgb>& palette, QRgb colour) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        const long dr = qRed(palette[i]) - qRed(colour);
        const long dg = qGreen(palette[i]) - qGreen(colour);
        const long db = qBlue(palette[i]) - qBlue(colour);
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

IndexedImage ToIndexed(const QImage& source, QRgb matte) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    bool anyTransparent = false;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) < kAlphaThreshold) {
                anyTransparent = true;
                row[x] = 0;
            } else {
                row[x] = OverMatte(row[x], matte);
            }
        }
    }
    IndexedImage out;
    out.width = image.width();
    out.height = image.height();
    out.palette = MedianCutPalette(image, anyTransparent ? 255 : 256);
    if (anyTransparent) {
        out.transparentIndex = static_cast<int>(out.palette.size());
        out.palette.push_back(qRgb(0, 0, 0));
    }
    // The transparent entry is last and is left out of the nearest search.
    const std::vector<QRgb> opaque(out.palette.begin(),
                                   out.palette.end() - (anyTransparent ? 1 : 0));
    out.pixels.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            out.pixels.push_back(qAlpha(row[x]) == 0
                                     ? static_cast<std::uint8_t>(out.transparentIndex)
                                     : NearestIndex(opaque, row[x]));
        }
    }
    return out;
}

QImage FromIndexed(const IndexedImage& image) {
    QImage out(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width; ++x) {
            const int index = image.pixels[static_cast<std::size_t>(y * image.width + x)];
            row[x] = index == image.transparentIndex
                         ? 0u
                         : (image.palette.at(static_cast<std::size_t>(index)) | 0xff000000u);
        }
    }
    return out;
}

}  // namespace kestrova::assetgen
