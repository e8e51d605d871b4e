#pragma once

#include <QLabel>

namespace q9::app {

// A label drawn as the platform's 9-point labels are: text from the top edge, lines one em apart.
// The CJK faces available here carry tall line spacing that would not fit the window's label
// boxes, which were sized for a 12-pixel line.
class CompactLabel : public QLabel {
    Q_OBJECT

  public:
    explicit CompactLabel(const QString& text, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace q9::app
