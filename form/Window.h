#pragma once
// The window as the query sees it: every operation names a control. The Qt
// window and the headless field store implement it; the query is written once
// against this interface.

#include <utility>

#include "form/Controls.h"
#include "text/Text.h"

namespace kestrova {

class Window {
  public:
    virtual ~Window() = default;

    // EditBox content, Label caption or HyperLinker caption, exactly as last
    // written (or typed by the user), GBK. Valid until that control is written
    // again (a page read back is not copied for each cut).
    virtual const Text& ReadText(Ctl control) = 0;
    virtual void WriteText(Ctl control, const Text& text) = 0;
    // The same write for a text the caller has done with: a window that keeps
    // the text takes it over instead of copying it (whole pages are large).
    virtual void WriteText(Ctl control, Text&& text) { WriteText(control, std::as_const(text)); }

    // HyperLinker link address.
    virtual void WriteLinkAddress(Ctl control, const Text& address) = 0;

    // PicBox picture as image-file bytes; the empty buffer removes the picture.
    virtual void WritePicture(Ctl control, const ByteBuffer& bytes) = 0;

    // StatusBarSetText: an index outside the defined parts (only part 0
    // exists) does nothing.
    virtual void StatusBarSetText(int part, const Text& text) = 0;

    // Content and caption are GBK; flags are the Win32 MB_* bits. Returns the
    // button pressed (0 OK, 1 Cancel, 2 Abort, 3 Retry, 4 Ignore, 5 Yes, 6 No).
    virtual int MessageBox(const Text& content, int flags, const Text& caption) = 0;

    // Lets the window handle its pending messages (repaint, input).
    virtual void ProcessEvents() = 0;

    virtual void WriteTitle(const Text& title) = 0;
};

}  // namespace kestrova
