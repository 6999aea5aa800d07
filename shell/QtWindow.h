#pragma once
// The Window interface over the Qt controls. A field store holds every text,
// link address and picture exactly as written (any length, line breaks, bytes
// that are not valid GBK) and answers every read; each write is mirrored to
// its widget for display in UTF-8 (a widget shows at most the first 256 KiB
// characters: only the boxes outside the visible area that keep whole pages
// ever hold more, and laying out 32 MiB would hold the UI thread for
// seconds). What the user types into an edit box becomes the field's text.

#include <QImage>
#include <QWidget>

#include "form/FieldStore.h"
#include "form/Window.h"
#include "shell/ControlFactory.h"

namespace kestrova {

class QtWindow final : public Window {
  public:
    // `window` is the main window whose title this writes; `controls` its built
    // controls. Both outlive this object.
    QtWindow(QWidget& window, const ControlObjects& controls);
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    const Text& ReadText(Ctl control) override;
    void WriteText(Ctl control, const Text& text) override;
    void WriteText(Ctl control, Text&& text) override;
    void WriteLinkAddress(Ctl control, const Text& address) override;
    void WritePicture(Ctl control, const ByteBuffer& bytes) override;
    void StatusBarSetText(int part, const Text& text) override;
    int MessageBox(const Text& content, int flags, const Text& caption) override;
    // Repaints and input happen here, and only here while a query runs.
    void ProcessEvents() override;
    void WriteTitle(const Text& title) override;

    // A picture decoded already (off the UI thread): only shown here.
    void WriteDecodedPicture(Ctl control, const ByteBuffer& bytes, const QImage& shown);

    // Exactly what was written, for reads that the Window interface lacks.
    const FieldStore& Store() const { return store_; }

  private:
    void TakeTypedText(Ctl control, const QString& typed);
    void Show(Ctl control, const Text& text);

    QWidget& window_;
    const ControlObjects& controls_;
    FieldStore store_;
    bool mirroring_ = false;
};

}  // namespace kestrova
