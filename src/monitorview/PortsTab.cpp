#include "PortsTab.h"

#include "PortGroupBox.h"
#include "core/Colours.h"
#include "core/Timer.h"
#include "shell/Configuration.h"
#include "widgets/Lamp.h"
#include "shell/WriteFaultTexts.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace monitorview {

namespace {
const QString Section = QStringLiteral("unit48");
// The save dialog's texts are the monitor window's own.
const QString WindowSection = QStringLiteral("unit43");
}

PortsTab::PortsTab(monitor::PortReader &reader, const shell::Configuration &config, core::Clock &clock, QWidget *parent)
    : QWidget(parent), m_reader(reader), m_config(config), m_clock(clock)
{
    auto *layout = new QVBoxLayout(this);
    m_pages = new QTabWidget;
    m_pages->setUsesScrollButtons(true);
    const auto &ports = monitor::PortReader::ports();
    for (int p = 0; p < monitor::PortReader::PortCount; ++p) {
        const QString name = QString::fromLatin1(ports[size_t(p)].name);
        m_boxes[size_t(p)] = new PortGroupBox(QStringLiteral("Port") + name);
        for (int bit = 0; bit < 8; ++bit)
            m_boxes[size_t(p)]->setRowText(bit, m_config.languageText(Section, monitor::PortReader::bitKey(p, bit)));
        m_pages->addTab(m_boxes[size_t(p)], name);
    }
    layout->addWidget(m_pages, 1);

    auto *buttons = new QHBoxLayout;
    m_blink = new widgets::Lamp;
    m_blink->setLampColour(core::colour::Silver);
    m_readButton = new QPushButton(QStringLiteral("Ports lesen"));
    m_saveButton = new QPushButton(QStringLiteral("sichern"));
    buttons->addWidget(m_blink);
    buttons->addWidget(m_readButton);
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    layout->addLayout(buttons);

    connect(m_readButton, &QPushButton::clicked, this, [this] { m_reader.readPorts(); });
    connect(m_saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(&m_reader, &monitor::PortReader::valuesRead, this, [this] { showValues(); });
    connect(&m_reader, &monitor::PortReader::waitingChanged, this,
            [this](bool waiting) { m_blink->setLampColour(waiting ? core::colour::Green : core::colour::Silver); });
}

PortsTab::~PortsTab() = default;

PortGroupBox *PortsTab::portBox(int port) const
{
    return port >= 0 && port < monitor::PortReader::PortCount ? m_boxes[size_t(port)] : nullptr;
}

void PortsTab::showValues()
{
    for (int p = 0; p < monitor::PortReader::PortCount; ++p) m_boxes[size_t(p)]->setValue(m_reader.value(p));
}

bool PortsTab::savePorts(const QString &fileName)
{
    std::array<quint8, monitor::PortReader::PortCount> shown{};
    for (int p = 0; p < monitor::PortReader::PortCount; ++p) shown[size_t(p)] = m_boxes[size_t(p)]->value();
    const QStringList lines = monitor::PortReader::fileLines(m_clock.now(), shown, [this](int port, int bit) {
        return m_boxes[size_t(port)]->rowText(bit);
    });
    // Through a temporary file: a failed write leaves an older file whole.
    m_lastWrite = core::writeLinesWhole(fileName, lines);
    return m_lastWrite.ok();
}

void PortsTab::save()
{
    const QString title = m_config.languageText(WindowSection, 33);
    const QString fileName = shell::chooseFileToSave(
        [this, &title](const QString &) {
            return chooseFile ? chooseFile()
                              : shell::saveFileDialog(this, title, m_config.dataDir(),
                                               m_config.languageText(WindowSection, 34) + QStringLiteral(" (*.txt)"),
                                               QStringLiteral("txt"));
        },
        [this, &title](const QString &name) {
            return confirmOverwrite ? confirmOverwrite(name)
                                    : shell::askOverwriteQuestion(this, title, name + QLatin1Char(' ') + m_config.languageText(WindowSection, 29));
        });
    if (fileName.isEmpty()) return;
    if (!savePorts(fileName)) {
        QMessageBox::warning(this, title,
                             m_config.languageText(Section, 35).arg(QDir::toNativeSeparators(fileName)) + QStringLiteral(": ")
                                 + shell::writeFaultText(m_config, m_lastWrite));
        return;
    }
    QFile written(fileName);
    if (written.open(QIODevice::ReadOnly | QIODevice::Text))
        emit portFileSaved(QString::fromUtf8(written.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

}  // namespace monitorview
