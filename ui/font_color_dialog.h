// The font dialog with a colour: the toolkit's font chooser (typeface, style,
// size, underline and strikeout) with a drop-down of colours beside its
// effects, for fonts that keep a colour of their own (the viewer's grid
// fonts).
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

namespace ui {

class FontColorDialog : public QDialog {
    Q_OBJECT
  public:
    FontColorDialog(QWidget* parent, const QFont& font, const QColor& color);

    QFont selectedFont() const;
    QColor selectedColor() const;
    // Chooses `color`, adding it to the list when it is none of the named ones.
    void setColor(const QColor& color);
    QComboBox* colorList() const { return colors_; }

  private:
    QFontDialog* fonts_;
    QComboBox* colors_;
};

}  // namespace ui
