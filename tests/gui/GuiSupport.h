#pragma once
// Helpers shared by the GUI tests.

#include <QImage>
#include <QMessageBox>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "lookup/QueryState.h"
#include "shell/MainWindow.h"
#include "shell/Opener.h"
#include "text/Text.h"

namespace kestrova::testing {

// The window as the program opens it, shown on the offscreen screen.
struct OpenWindow {
    explicit OpenWindow(QueryRunner runner = {});
    MainWindow window;
};

// Records what the program hands to the browser while it lives.
class RecordingOpener {
  public:
    RecordingOpener();
    ~RecordingOpener();
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;
    const std::vector<std::string>& Opened() const { return opened_; }

  private:
    std::vector<std::string> opened_;
    Opener previous_;
};

// What a message box showed.
struct SeenMessageBox {
    bool seen = false;
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Watches for the next application-modal message box, records it and presses
// its first button. Keep the returned object alive until the box is expected
// to have come and gone.
std::shared_ptr<SeenMessageBox> AnswerNextMessageBox();

// A picture drawn here: a coloured background with a filled disc.
QImage DrawPicture(int width, int height, QColor background = QColor(30, 120, 200));
// Encoded by Qt's writers: "jpeg", "png", "bmp", "ico".
ByteBuffer Encode(const QImage& image, const char* format);
// PCX, run-length encoded: 8 bits with a 256-colour palette (the picture's
// colours must be few) or 24 bits in three planes.
ByteBuffer EncodePcx8(const QImage& image);
ByteBuffer EncodePcx24(const QImage& image);

QString Utf8(const Text& gbk);

// A PNG of 5700 x 5700 pixels, about as large as the decoder takes: a
// hundred-odd KB that take seconds to re-encode. Each call gives other bytes,
// so that no cache has them.
ByteBuffer LargePng();

// CPU time of the calling thread, in milliseconds: what a thread did, however
// busy the machine is.
double ThreadCpuMs();

// How much more CPU the same work takes in this build: the sanitizers'
// instrumentation (at -O1) costs two to three times the release build's.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr double kBuildCpuFactor = 3.0;
#else
inline constexpr double kBuildCpuFactor = 1.0;
#endif

// The UI thread's own CPU time for each queued call it runs (each pass of a
// lookup's write queue is one), while a recorder lives.
class QueuedCallCpu {
  public:
    QueuedCallCpu();
    ~QueuedCallCpu();
    QueuedCallCpu(const QueuedCallCpu&) = delete;
    QueuedCallCpu& operator=(const QueuedCallCpu&) = delete;
    const std::vector<double>& Calls() const { return calls_; }
    double Largest() const;

    // From the test application's event delivery.
    static void Note(double ms);

  private:
    std::vector<double> calls_;
};

// Types text into a widget as a user does: ASCII key by key, anything else
// committed through the input method, as Chinese is typed.
void Type(QWidget* widget, const QString& text);

}  // namespace kestrova::testing
