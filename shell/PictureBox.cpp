#include "shell/PictureBox.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

#include "imaging/Picture.h"
#include "shell/PcxDecoder.h"

namespace kestrova {
namespace {

constexpr int kMaxSide = 8192;

const char* QtFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::Jpeg:
            return "jpeg";
        case PictureFormat::Bmp:
            return "bmp";
        case PictureFormat::Ico:
            return "ico";
        case PictureFormat::Gif:
            return "gif";
        default:
            return nullptr;
    }
}

// An icon file holds several images; the largest gives the best picture once
// scaled down to the box.
QImage ReadLargestImage(const ByteBuffer& bytes, const char* format) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    QImage best;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) {
            break;
        }
        const QSize announced = reader.size();
        if (announced.isValid() &&
            (announced.width() > kMaxSide || announced.height() > kMaxSide)) {
            continue;
        }
        QImage image = reader.read();
        if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide) {
            continue;
        }
        if (best.isNull() ||
            qint64{image.width()} * image.height() > qint64{best.width()} * best.height()) {
            best = std::move(image);
        }
        if (reader.imageCount() <= 1) {
            break;  // a GIF shows its first frame
        }
    }
    return best;
}

}  // namespace

QImage DecodeForPictureBox(const ByteBuffer& bytes) {
    const PictureFormat format = DetectPictureFormat(bytes);
    if (!IsShownByPictureBox(format)) {
        return {};
    }
    if (format == PictureFormat::Pcx) {
        return DecodePcx(bytes);
    }
    const char* qtFormat = QtFormatName(format);
    return qtFormat != nullptr ? ReadLargestImage(bytes, qtFormat) : QImage();
}

QRect FitPicture(QSize picture, const QRect& area) {
    if (picture.isEmpty() || area.isEmpty()) {
        return {};
    }
    QSize shown = picture;
    if (shown.width() > area.width() || shown.height() > area.height()) {
        shown = picture.scaled(area.size(), Qt::KeepAspectRatio);
        shown = shown.expandedTo(QSize(1, 1));
    }
    const int left = area.left() + (area.width() - shown.width()) / 2;
    const int top = area.top() + (area.height() - shown.height()) / 2;
    return {QPoint(left, top), shown};
}

PictureBox::PictureBox(bool framed, QWidget* parent) : QWidget(parent), framed_(framed) {}

void PictureBox::SetPicture(const ByteBuffer& bytes) {
    ShowImage(DecodeForPictureBox(bytes));
}

void PictureBox::ShowImage(QImage image) {
    if (image.isNull() && picture_.isNull()) {
        return;
    }
    picture_ = std::move(image);
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = rect();
    if (framed_) {
        painter.setPen(Qt::black);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    if (picture_.isNull()) {
        return;
    }
    const QRect target = FitPicture(picture_.size(), area);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
}

}  // namespace kestrova
