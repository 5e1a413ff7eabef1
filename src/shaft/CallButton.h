#pragma once

#include <QAbstractButton>

namespace shaft {

// A call button of a floor strip, drawn as its glyph: the kind (CallDown,
// CallUp, CallCar) picks the shape, the state the colour. Disabled means the
// call is registered: it lights and takes no click.
class CallButton : public QAbstractButton {
public:
    CallButton(int side, int kind, QWidget *parent = nullptr);

    int side() const { return m_side; }
    int kind() const { return m_kind; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int m_side;
    int m_kind;
};

}  // namespace shaft
