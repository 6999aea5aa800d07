#pragma once
// A picture box: shows image-file bytes in the formats the window knows
// (JPEG, BMP, icon and cursor, GIF, PCX). PNG and anything else show nothing.
// Every box uses one display mode: a picture larger than the box is scaled
// down to fit, keeping its aspect ratio; none is enlarged; it sits centred.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "text/Text.h"

namespace kestrova {

// The image a picture box shows for these bytes; null when it shows nothing.
QImage DecodeForPictureBox(const ByteBuffer& bytes);

// Where a picture of `picture` size is drawn inside `area`.
QRect FitPicture(QSize picture, const QRect& area);

class PictureBox final : public QWidget {
    Q_OBJECT

  public:
    // A framed box draws a one-pixel line around its picture area.
    PictureBox(bool framed, QWidget* parent);

    void SetPicture(const ByteBuffer& bytes);
    // The image DecodeForPictureBox made of the picture's bytes.
    void ShowImage(QImage image);
    // What the box shows; null when empty.
    const QImage& Picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool framed_;
    QImage picture_;
};

}  // namespace kestrova
