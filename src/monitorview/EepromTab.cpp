#include "EepromTab.h"

#include "monitor/EepromDump.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitorview {

EepromTab::EepromTab(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);  // the page has its own
    auto *grid = new QGridLayout;
    constexpr int Columns = 4;
    for (int area = 0; area < monitor::EepromAreaCount; ++area) {
        auto *button = new QPushButton(QString::fromLatin1(monitor::EepromAreas[area].caption));
        connect(button, &QPushButton::clicked, this, [this, area] { emit dumpRequested(area); });
        grid->addWidget(button, area / Columns, area % Columns);
        m_buttons << button;
    }
    layout->addLayout(grid);
    m_address = new QLineEdit;
    m_address->setReadOnly(true);
    m_address->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_address);
    layout->addStretch(1);
}

void EepromTab::setAddressText(const QString &text)
{
    m_address->setText(text);
    m_address->repaint();  // shown at once, step by step
}

QPushButton *EepromTab::areaButton(int area) const { return m_buttons.value(area); }

}  // namespace monitorview
