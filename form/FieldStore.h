#pragma once
// The headless window: every control's state as plain data, with the same
// read-back semantics as the Qt window. The command line runs the query on it,
// and tests read back what the query wrote.

#include <optional>
#include <vector>

#include "form/DesignPictures.h"
#include "form/Window.h"

namespace kestrova {

struct MessageBoxRecord {
    Text content;
    int flags = 0;
    Text caption;
    friend bool operator==(const MessageBoxRecord&, const MessageBoxRecord&) = default;
};

// Naming a control that lacks the property an operation reads or writes (a
// text of a picture box, say) is a bug in the caller: it asserts in a debug
// build and does nothing (or reads empty) otherwise.
class FieldStore final : public Window {
  public:
    // The design state: labels and links show their captions in GBK, edit
    // boxes are empty, no picture box shows anything, status and title empty.
    FieldStore();
    // The design state with the rating icons in place, as the window opens.
    explicit FieldStore(const DesignPictures& pictures);

    const Text& ReadText(Ctl control) override;
    void WriteText(Ctl control, const Text& text) override;
    void WriteText(Ctl control, Text&& text) override;
    void WriteLinkAddress(Ctl control, const Text& address) override;
    void WritePicture(Ctl control, const ByteBuffer& bytes) override;
    void StatusBarSetText(int part, const Text& text) override;
    // Records the box and answers OK (0).
    int MessageBox(const Text& content, int flags, const Text& caption) override;
    // Nothing is pending in a store; the calls are only counted.
    void ProcessEvents() override;
    void WriteTitle(const Text& title) override;

    // The same read for a store seen as const (listings of what a query wrote).
    const Text& ReadText(Ctl control) const;
    const Text& ReadLinkAddress(Ctl control) const;
    // Image-file bytes as written; empty when the box shows nothing.
    const ByteBuffer& ReadPicture(Ctl control) const;
    const Text& StatusText() const { return status_; }
    const Text& Title() const { return title_; }
    const std::optional<MessageBoxRecord>& LastMessageBox() const { return lastMessageBox_; }
    int MessageBoxCount() const { return messageBoxCount_; }
    int ProcessEventsCount() const { return processEventsCount_; }
    // Bytes of every text, link address and picture held: what keeping the
    // store costs, beyond its fixed size.
    std::size_t HeldBytes() const;

  private:
    std::vector<Text> texts_;
    std::vector<Text> links_;
    std::vector<ByteBuffer> pictures_;
    Text status_;
    Text title_;
    std::optional<MessageBoxRecord> lastMessageBox_;
    int messageBoxCount_ = 0;
    int processEventsCount_ = 0;
};

}  // namespace kestrova
