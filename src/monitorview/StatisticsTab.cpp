#include "StatisticsTab.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace monitorview {

StatisticsTab::StatisticsTab(monitor::StatisticsControl &control, QWidget *parent) : QWidget(parent), m_control(control)
{
    auto *layout = new QGridLayout(this);
    m_fetchButton = new QPushButton(QStringLiteral("Statistik holen"));
    m_chartButton = new QPushButton(QStringLiteral("Bar"));
    m_identifierLabel = new QLabel;
    m_statusLabel = new QLabel;
    // Block lines are long hex rows: they may be cut, never widen the window.
    m_statusLabel->setMinimumWidth(1);
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_grid = new QTableWidget(0, monitor::StatisticsControl::Columns);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_fetchButton, 0, 0);
    layout->addWidget(m_identifierLabel, 0, 1);
    layout->addWidget(m_chartButton, 0, 2);
    layout->addWidget(m_statusLabel, 1, 0, 1, 3);
    layout->addWidget(m_grid, 2, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);

    connect(m_fetchButton, &QPushButton::clicked, this, [this] { m_control.fetch(); });
    connect(m_chartButton, &QPushButton::clicked, this, &StatisticsTab::chartRequested);
    connect(&m_control, &monitor::StatisticsControl::changed, this, [this] { showControl(); });
    showControl();
}

StatisticsTab::~StatisticsTab() = default;

void StatisticsTab::showControl()
{
    m_identifierLabel->setText(m_control.identifierText());
    m_statusLabel->setText(m_control.statusText());
    m_fetchButton->setEnabled(true);
    const auto &cells = m_control.cells();
    m_grid->setHorizontalHeaderLabels(cells.empty() ? QStringList() : cells.front());
    const int rows = qMax(0, int(cells.size()) - 1);
    m_grid->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const QStringList &texts = cells[size_t(r) + 1];
        for (int c = 0; c < monitor::StatisticsControl::Columns; ++c) {
            QTableWidgetItem *item = m_grid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignVCenter | (c == 0 ? Qt::AlignLeft : Qt::AlignRight));
                m_grid->setItem(r, c, item);
            }
            // The numbers come padded to a fixed width; the cell aligns them itself.
            item->setText(texts.value(c).trimmed());
        }
    }
}

QString StatisticsTab::cellText(int row, int column) const
{
    const auto &cells = m_control.cells();
    return row >= 0 && row < int(cells.size()) ? cells[size_t(row)].value(column) : QString();
}

}  // namespace monitorview
