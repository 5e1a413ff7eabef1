#include "StatisticsWindow.h"

#include "shell/Configuration.h"
#include "shell/WriteFaultTexts.h"

#include <QBuffer>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QMessageBox>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

namespace monitorview {

namespace {
const QString Section = QStringLiteral("unit55");
const char *const SeriesNames[] = {"Außenrufe", "Innenrufe", "Park Fahrten"};
// Red, green and yellow, as the controller's tools paint them.
const QColor SeriesColours[] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(255, 255, 0)};
}  // namespace

StatisticsWindow::StatisticsWindow(const shell::Configuration &config, QWidget *parent)
    : QWidget(parent, Qt::Window), m_config(config)
{
    setWindowTitle(QStringLiteral("Statistik"));
    auto *layout = new QVBoxLayout(this);

    // The title sits right-aligned above the chart; both are saved as one picture.
    m_frame = new QWidget;
    m_frame->setAutoFillBackground(true);
    QPalette white = m_frame->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_frame->setPalette(white);
    auto *frameLayout = new QVBoxLayout(m_frame);
    frameLayout->setContentsMargins(0, 4, 8, 0);
    m_title = new QLabel(QStringLiteral("Rufe/Etage"));
    m_title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_title->setFont(titleFont);
    frameLayout->addWidget(m_title);

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_series = new QBarSeries;
    for (int s = 0; s < SeriesCount; ++s) {
        m_sets[s] = new QBarSet(QString::fromUtf8(SeriesNames[s]));
        m_sets[s]->setColor(SeriesColours[s]);
        m_sets[s]->setBorderColor(SeriesColours[s].darker(150));
        m_sets[s]->setLabelColor(Qt::black);
        m_series->append(m_sets[s]);
        connect(m_sets[s], &QBarSet::clicked, this, [this, s](int index) { barClicked(Series(s), index); });
    }
    m_series->setLabelsVisible(true);
    m_series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    m_series->setLabelsAngle(-90);
    m_chart->addSeries(m_series);
    m_floors = new QBarCategoryAxis;
    m_counts = new QValueAxis;
    m_counts->setTitleText(QStringLiteral("Fahrten"));
    m_counts->setLabelFormat(QStringLiteral("%d"));
    m_chart->addAxis(m_floors, Qt::AlignBottom);
    m_chart->addAxis(m_counts, Qt::AlignLeft);
    m_series->attachAxis(m_floors);
    m_series->attachAxis(m_counts);
    m_view = new QChartView(m_chart);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(480, 320);
    frameLayout->addWidget(m_view, 1);
    layout->addWidget(m_frame, 1);

    auto *buttons = new QHBoxLayout;
    m_saveButton = new QPushButton(m_config.languageText(Section, 1));
    auto *close = new QPushButton(m_config.languageText(Section, 4));
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    resize(760, 520);
}

void StatisticsWindow::setRows(const std::vector<monitor::StatisticsRow> &rows)
{
    for (QBarSet *set : m_sets) set->remove(0, set->count());
    QStringList floors;
    qint64 top = 0;
    for (const monitor::StatisticsRow &row : rows) {
        floors << QString::number(row.floor);
        m_sets[LandingCalls]->append(qreal(row.landingCalls));
        m_sets[CarCalls]->append(qreal(row.carCalls));
        m_sets[ParkingTrips]->append(qreal(row.parkingTrips));
        top = qMax(top, qMax(row.landingCalls, qMax(row.carCalls, row.parkingTrips)));
    }
    m_floors->clear();
    m_floors->append(floors);
    // Room above the highest bar for its value mark.
    m_counts->setRange(0, qMax<qint64>(10, top + top / 5));
    m_counts->applyNiceNumbers();
}

QString StatisticsWindow::barText(Series series, int index)
{
    if (series == LandingCalls)
        // Floor 0 shows as 0, not as the blank that a precision of 0 would leave.
        return QStringLiteral("ADR-Rufe[%1]= (%2%)").arg(index, 4).arg(100, 2, 10, QLatin1Char('0'));
    return QStringLiteral("Series%1 : %2").arg(int(series) + 1).arg(index);
}

void StatisticsWindow::barClicked(Series series, int index)
{
    const QString text = barText(series, index);
    if (showMessage) showMessage(text);
    else QMessageBox::information(this, windowTitle(), text);
}

QPixmap StatisticsWindow::picture() const { return m_frame->grab(); }

core::WriteOutcome StatisticsWindow::savePng(const QString &fileName) const { return writePng(picture().toImage(), fileName); }

core::WriteOutcome StatisticsWindow::writePng(const QImage &picture, const QString &fileName)
{
    // Encoded in memory first: the image writer would truncate the old file before the first byte.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) return {core::WriteFault::Other, QStringLiteral("PNG encoding failed")};
    return core::writeFileWhole(fileName, png);
}

void StatisticsWindow::save()
{
    const QString fileName = chooseFile ? chooseFile()
                                        : QFileDialog::getSaveFileName(this, m_config.languageText(Section, 1), m_config.dataDir(),
                                                                       m_config.languageText(Section, 2));
    if (fileName.isEmpty()) return;
    const QString target = fileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ? fileName : fileName + QStringLiteral(".png");
    const core::WriteOutcome outcome = savePng(target);
    if (!outcome.ok())
        QMessageBox::warning(this, windowTitle(),
                             m_config.languageText(Section, 3).arg(target) + QStringLiteral(": ") + shell::writeFaultText(m_config, outcome));
}

}  // namespace monitorview
