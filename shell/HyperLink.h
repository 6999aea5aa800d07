#pragma once
// A link control: its caption centred, blue, dark red once visited and a
// lighter blue under the mouse. A click hands its address to the opener; with
// an empty address, or one the opener refuses, nothing happens.

#include <QColor>
#include <QString>
#include <QWidget>
#include <string>

namespace kestrova {

class HyperLink final : public QWidget {
    Q_OBJECT

  public:
    static inline const QColor kNormalColour{0, 0, 255};
    static inline const QColor kVisitedColour{128, 0, 0};
    static inline const QColor kHoverColour{49, 106, 197};

    explicit HyperLink(QWidget* parent);

    void SetCaption(const QString& caption);
    const QString& Caption() const { return caption_; }
    void SetAddress(const std::string& utf8Address);
    const std::string& Address() const { return address_; }
    bool Visited() const { return visited_; }
    // The colour the caption is drawn in now.
    QColor CaptionColour() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QString caption_;
    std::string address_;
    bool visited_ = false;
    bool hovered_ = false;
    bool pressed_ = false;
};

}  // namespace kestrova
