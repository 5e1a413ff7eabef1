#include "FunctionBox.h"

#include "monitor/ControllerFunctions.h"
#include "shell/Configuration.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitorview {

namespace {
// Texts of section "unit43": the five bits' captions, the box caption.
constexpr int FirstBitCaption = 19, MaintenanceCaption = 53;
}  // namespace

FunctionBox::FunctionBox(const shell::Configuration &config, QWidget *parent) : QWidget(parent)
{
    const auto text = [&config](int number) { return config.languageText(QStringLiteral("unit43"), number); };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *maintenance = new QGroupBox(text(MaintenanceCaption));
    auto *grid = new QGridLayout(maintenance);
    for (int i = 0; i < int(m_bits.size()); ++i) {
        m_bits[size_t(i)] = new QCheckBox(text(FirstBitCaption + i));
        // They show the controller's bits; the user changes nothing here.
        m_bits[size_t(i)]->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_bits[size_t(i)]->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(m_bits[size_t(i)], i / 2, i % 2);
    }
    m_maintenanceButton = new QPushButton(QStringLiteral("holen/reset"));
    m_wbyte = new QLabel;
    grid->addWidget(m_maintenanceButton, 3, 0);
    grid->addWidget(m_wbyte, 3, 1);
    grid->setColumnStretch(1, 1);
    layout->addWidget(maintenance);

    m_clockBox = new QGroupBox(QStringLiteral("Steuerungs Zeit"));
    auto *clock = new QHBoxLayout(m_clockBox);
    m_readClock = new QPushButton(QStringLiteral("lese UHR/DATUM"));
    m_setClock = new QPushButton(QStringLiteral("sende UHR/DATUM"));
    m_clock = new QLabel;
    m_clock->setTextInteractionFlags(Qt::TextSelectableByMouse);
    clock->addWidget(m_readClock);
    clock->addWidget(m_setClock);
    clock->addWidget(m_clock, 1);
    layout->addWidget(m_clockBox);

    connect(m_maintenanceButton, &QPushButton::clicked, this, [this] {
        m_wbyte->clear();
        emit maintenanceRequested();
    });
    connect(m_readClock, &QPushButton::clicked, this, &FunctionBox::clockReadRequested);
    connect(m_setClock, &QPushButton::clicked, this, [this] {
        m_clockBox->setTitle(QStringLiteral("Steuerungs Zeit"));
        emit clockSetRequested();
    });
}

void FunctionBox::showMaintenance(const QString &text, std::optional<int> bits)
{
    m_wbyte->setText(text);
    if (!bits) return;
    for (int i = 0; i < int(m_bits.size()); ++i) m_bits[size_t(i)]->setChecked(*bits & monitor::MaintenanceBitValues[i]);
}

void FunctionBox::showClock(const QString &text) { m_clock->setText(text); }

void FunctionBox::clockSet() { m_clockBox->setTitle(QStringLiteral("Time/Ready")); }

}  // namespace monitorview
