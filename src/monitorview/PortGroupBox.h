#pragma once

#include <QGroupBox>

#include <array>

class QLabel;

namespace monitorview {

// One 8-bit port: eight rows, each with the bit's name and its state ("1"/"0", blue).
class PortGroupBox : public QGroupBox {
public:
    explicit PortGroupBox(const QString &title, QWidget *parent = nullptr);

    QString rowText(int row) const;
    void setRowText(int row, const QString &text);
    quint8 value() const { return m_value; }
    void setValue(quint8 value);
    QLabel *bitLabel(int row) const { return row >= 0 && row < 8 ? m_bits[size_t(row)] : nullptr; }

private:
    std::array<QLabel *, 8> m_texts{};
    std::array<QLabel *, 8> m_bits{};
    quint8 m_value = 0;
};

}  // namespace monitorview
