#include "GuiSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QInputMethodEvent>
#include <QPainter>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <ctime>
#include <map>
#include <random>

#include "text/Gbk.h"

namespace kestrova::testing {
namespace {

constexpr int kWatchIntervalMs = 5;
constexpr int kWatchTicks = 2000;  // ten seconds

void PutWord(ByteBuffer& bytes, std::size_t at, int value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

ByteBuffer PcxHeader(const QImage& image, int planes, int bytesPerLine) {
    ByteBuffer header(128, 0);
    header[0] = 0x0A;  // manufacturer
    header[1] = 5;     // version
    header[2] = 1;     // run-length encoding
    header[3] = 8;     // bits per pixel and plane
    PutWord(header, 8, image.width() - 1);
    PutWord(header, 10, image.height() - 1);
    PutWord(header, 12, 72);
    PutWord(header, 14, 72);
    header[65] = static_cast<std::uint8_t>(planes);
    PutWord(header, 66, bytesPerLine);
    PutWord(header, 68, 1);
    return header;
}

// One plane of one line, in runs of at most 63.
void PackLine(const std::vector<std::uint8_t>& line, ByteBuffer& out) {
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == line[i]) {
            ++run;
        }
        if (run > 1 || line[i] >= 0xC0) {
            out.push_back(static_cast<std::uint8_t>(0xC0 | run));
        }
        out.push_back(line[i]);
        i += run;
    }
}

int EvenWidth(const QImage& image) {
    return image.width() + (image.width() % 2);
}

}  // namespace

OpenWindow::OpenWindow(QueryRunner runner) : window(std::move(runner)) {
    window.ShowCentred();
    QApplication::processEvents();
}

RecordingOpener::RecordingOpener()
    : previous_(InstallOpener([this](const std::string& address) { opened_.push_back(address); })) {
}

RecordingOpener::~RecordingOpener() {
    InstallOpener(previous_);
}

std::shared_ptr<SeenMessageBox> AnswerNextMessageBox() {
    auto seen = std::make_shared<SeenMessageBox>();
    auto* timer = new QTimer();
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [seen, timer, ticks] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (++*ticks > kWatchTicks) {
                timer->deleteLater();
                timer->stop();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        seen->seen = true;
        seen->text = box->text();
        seen->title = box->windowTitle();
        seen->icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            seen->buttons.push_back(button->text());
        }
        box->buttons().first()->click();
    });
    timer->start(kWatchIntervalMs);
    return seen;
}

QImage DrawPicture(int width, int height, QColor background) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 200, 40));
    painter.drawEllipse(QRect(width / 4, height / 4, width / 2, height / 2));
    return image;
}

ByteBuffer Encode(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        return {};
    }
    return ByteBuffer(data.begin(), data.end());
}

ByteBuffer EncodePcx8(const QImage& image) {
    std::map<QRgb, std::uint8_t> indexOf;
    ByteBuffer palette;
    const int bytesPerLine = EvenWidth(image);
    ByteBuffer out = PcxHeader(image, 1, bytesPerLine);
    for (int y = 0; y < image.height(); ++y) {
        std::vector<std::uint8_t> line(bytesPerLine, 0);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y) | 0xFF000000u;
            auto [it, added] = indexOf.try_emplace(rgb, static_cast<std::uint8_t>(indexOf.size()));
            if (added) {
                palette.insert(palette.end(), {static_cast<std::uint8_t>(qRed(rgb)),
                                               static_cast<std::uint8_t>(qGreen(rgb)),
                                               static_cast<std::uint8_t>(qBlue(rgb))});
            }
            line[x] = it->second;
        }
        PackLine(line, out);
    }
    palette.resize(768, 0);
    out.push_back(0x0C);
    out.insert(out.end(), palette.begin(), palette.end());
    return out;
}

ByteBuffer EncodePcx24(const QImage& image) {
    const int bytesPerLine = EvenWidth(image);
    ByteBuffer out = PcxHeader(image, 3, bytesPerLine);
    for (int y = 0; y < image.height(); ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            std::vector<std::uint8_t> line(bytesPerLine, 0);
            for (int x = 0; x < image.width(); ++x) {
                const QRgb rgb = image.pixel(x, y);
                line[x] = static_cast<std::uint8_t>(plane == 0   ? qRed(rgb)
                                                    : plane == 1 ? qGreen(rgb)
                                                                 : qBlue(rgb));
            }
            PackLine(line, out);
        }
    }
    return out;
}

void Type(QWidget* widget, const QString& text) {
    QString ascii;
    QString other;
    const auto flush = [&] {
        if (!ascii.isEmpty()) {
            QTest::keyClicks(widget, ascii);
            ascii.clear();
        }
        if (!other.isEmpty()) {
            QInputMethodEvent commit;
            commit.setCommitString(other);
            QApplication::sendEvent(widget, &commit);
            other.clear();
        }
    };
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            if (!other.isEmpty()) {
                flush();
            }
            ascii += c;
        } else {
            if (!ascii.isEmpty()) {
                flush();
            }
            other += c;
        }
    }
    flush();
}

ByteBuffer LargePng() {
    static std::mt19937 random(std::random_device{}());
    QImage image(5700, 5700, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    for (int i = 0; i < 64; ++i) {
        image.setPixel(static_cast<int>(random() % 5700), static_cast<int>(random() % 5700),
                       static_cast<QRgb>(random()));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return ByteBuffer(bytes.begin(), bytes.end());
}

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

namespace {
QueuedCallCpu* recording = nullptr;
}  // namespace

QueuedCallCpu::QueuedCallCpu() {
    recording = this;
}

QueuedCallCpu::~QueuedCallCpu() {
    recording = nullptr;
}

double QueuedCallCpu::Largest() const {
    return calls_.empty() ? 0.0 : *std::max_element(calls_.begin(), calls_.end());
}

void QueuedCallCpu::Note(double ms) {
    if (recording != nullptr) {
        recording->calls_.push_back(ms);
    }
}

QString Utf8(const Text& gbk) {
    return QString::fromStdString(GbkToUtf8(gbk));
}

}  // namespace kestrova::testing
