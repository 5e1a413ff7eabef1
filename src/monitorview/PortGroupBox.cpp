#include "PortGroupBox.h"

#include <QGridLayout>
#include <QLabel>

namespace monitorview {

PortGroupBox::PortGroupBox(const QString &title, QWidget *parent) : QGroupBox(title, parent)
{
    setFlat(true);
    auto *grid = new QGridLayout(this);
    grid->setVerticalSpacing(2);
    for (int i = 0; i < 8; ++i) {
        m_texts[size_t(i)] = new QLabel(QStringLiteral("Text-%1").arg(i));
        m_texts[size_t(i)]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_bits[size_t(i)] = new QLabel(QString::number(i));
        m_bits[size_t(i)]->setStyleSheet(QStringLiteral("color: #0000FF; font-weight: bold"));
        m_bits[size_t(i)]->setAlignment(Qt::AlignCenter);
        m_bits[size_t(i)]->setMinimumWidth(m_bits[size_t(i)]->fontMetrics().horizontalAdvance(QStringLiteral("00")));
        grid->addWidget(m_texts[size_t(i)], i, 0);
        grid->addWidget(m_bits[size_t(i)], i, 1);
    }
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(8, 1);
}

QString PortGroupBox::rowText(int row) const { return row >= 0 && row < 8 ? m_texts[size_t(row)]->text() : QString(); }

void PortGroupBox::setRowText(int row, const QString &text)
{
    if (row >= 0 && row < 8) m_texts[size_t(row)]->setText(text);
}

void PortGroupBox::setValue(quint8 value)
{
    m_value = value;
    for (int i = 0; i < 8; ++i) m_bits[size_t(i)]->setText(value & (1 << i) ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace monitorview
