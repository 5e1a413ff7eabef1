#include "PortPicker.h"

#include "comlink/ComPort.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace comlink {

namespace {
const QString Section = QStringLiteral("portpicker");

QString defaultText(int number)
{
    switch (number) {
    case 1: return QStringLiteral("Gerät");
    case 2: return QStringLiteral("Beschreibung");
    case 3: return QStringLiteral("Hersteller");
    case 4: return QStringLiteral("Seriennummer");
    case 5: return QStringLiteral("Zustand");
    case 6: return QStringLiteral("bereit");
    case 7: return QStringLiteral("fehlt");
    case 8: return QStringLiteral("belegt");
    case 9: return QStringLiteral("kein Zugriff");
    case 10: return QStringLiteral("Pfad:");
    case 11: return QStringLiteral("übernehmen");
    case 12: return QStringLiteral("aktualisieren");
    case 13: return QStringLiteral("leer: Voreinstellung der INI-Datei ([comport])");
    case 14: return QStringLiteral("Schnittstelle wählen");
    case 15: return QStringLiteral("von Hand eingetragen");
    case 16: return QStringLiteral("gewählt: %1");
    case 17: return QStringLiteral("Voreinstellung der INI-Datei");
    case 18: return QStringLiteral("Auswahl nicht gespeichert: %1");
    case 19: return QStringLiteral("schließen");
    case 25: return QStringLiteral("Sperrordner nicht beschreibbar");
    default: return {};
    }
}
}  // namespace

PortPicker::PortPicker(QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(5);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    // Room for a few devices even inside the port window's group.
    m_list->setMinimumHeight(m_list->header()->sizeHint().height() + 6 * m_list->fontMetrics().height()
                            + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    grid->addWidget(m_list, 0, 0, 1, 4);

    m_pathLabel = new QLabel(this);
    m_path = new QLineEdit(this);
    m_path->setClearButtonEnabled(true);
    m_pathLabel->setBuddy(m_path);
    m_refresh = new QPushButton(this);
    m_apply = new QPushButton(this);
    grid->addWidget(m_pathLabel, 1, 0);
    grid->addWidget(m_path, 1, 1);
    grid->addWidget(m_refresh, 1, 2);
    grid->addWidget(m_apply, 1, 3);
    m_state = new QLabel(this);
    m_state->setWordWrap(true);
    grid->addWidget(m_state, 2, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    connect(m_list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item) m_path->setText(item->text(0));
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { apply(); });
    connect(m_path, &QLineEdit::textChanged, this, [this] { showTypedState(); });
    connect(m_path, &QLineEdit::returnPressed, this, [this] { apply(); });
    connect(m_refresh, &QPushButton::clicked, this, [this] { refresh(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { apply(); });
    retranslate();
}

QString PortPicker::text(int number) const
{
    const QString t = languageText ? languageText(Section, QString::number(number)) : QString();
    return t.isEmpty() ? defaultText(number) : t;
}

QString PortPicker::stateText(PortState state) const
{
    switch (state) {
    case PortState::Ready: return text(6);
    case PortState::Missing: return text(7);
    case PortState::Busy: return text(8);
    case PortState::NoAccess: return text(9);
    case PortState::LockFolder: return text(25);
    }
    return {};
}

// The reason with its fix, for the tool tip of a state.
QString PortPicker::problemText(const QString &path, PortState state) const
{
    if (state == PortState::Ready) return {};
    return portProblemText(path, diagnosePort(path), {}, PortProblemTexts::fromLanguage(languageText));
}

void PortPicker::retranslate()
{
    m_list->setHeaderLabels({text(1), text(2), text(3), text(4), text(5)});
    m_pathLabel->setText(text(10));
    m_apply->setText(text(11));
    m_refresh->setText(text(12));
    m_path->setPlaceholderText(text(13));
}

void PortPicker::setChosen(const QString &path)
{
    m_path->setText(path.trimmed());
    refresh();
}

QString PortPicker::typedPath() const { return m_path->text().trimmed(); }

void PortPicker::refresh()
{
    retranslate();
    const QString typed = typedPath();
    const QList<PortEntry> entries = listPorts ? listPorts(typed) : QList<PortEntry>{};
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const PortEntry &e : entries) {
        auto *item = new QTreeWidgetItem(m_list, {e.path, e.listed ? e.description : text(15), e.manufacturer,
                                                  e.serialNumber, stateText(e.state)});
        item->setData(0, Qt::UserRole, int(e.state));
        item->setToolTip(4, problemText(e.path, e.state));
        if (e.state != PortState::Ready) item->setForeground(4, palette().brush(QPalette::Disabled, QPalette::Text));
        if (e.path == typed) m_list->setCurrentItem(item);
    }
    showTypedState();
}

void PortPicker::showTypedState()
{
    const QString typed = typedPath();
    if (typed.isEmpty()) {
        m_state->setText(text(17));
        return;
    }
    const PortState state = portState(typed);
    m_state->setText(text(16).arg(typed) + QStringLiteral(" — ") + stateText(state));
    m_state->setToolTip(problemText(typed, state));
}

void PortPicker::apply()
{
    refresh();
    QString why;
    if (onChosen && !onChosen(typedPath(), &why)) m_state->setText(text(18).arg(why));
}

void PortPicker::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (currentChoice) m_path->setText(currentChoice());
    refresh();
}

void PortPicker::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) retranslate();
}

PortPickerDialog::PortPickerDialog(QWidget *parent) : QDialog(parent), m_picker(new PortPicker(this))
{
    auto *root = new QVBoxLayout(this);
    root->addWidget(m_picker);
    auto *buttons = new QDialogButtonBox(this);
    m_close = buttons->addButton(m_picker->text(19), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    root->addWidget(buttons);
    resize(sizeHint().expandedTo(QSize(560, 280)));
}

void PortPickerDialog::showEvent(QShowEvent *event)
{
    setWindowTitle(m_picker->text(14));
    m_close->setText(m_picker->text(19));
    QDialog::showEvent(event);
}

void bindPortPicker(PortPicker &picker, ComPort &port, const QString &iniDevice, const QString &settingsFile)
{
    picker.currentChoice = [settingsFile] { return readUserPort(settingsFile); };
    picker.onChosen = [&picker, &port, iniDevice, settingsFile](const QString &path, QString *why) {
        port.setConfiguredDevice(path.isEmpty() ? iniDevice : path);
        const core::WriteOutcome outcome = writeUserPort(path, settingsFile);
        if (outcome.ok()) return true;
        const auto language = [&picker](const QString &section, int number) {
            return picker.languageText ? picker.languageText(section, QString::number(number)) : QString();
        };
        if (why) *why = settingsFile + QStringLiteral(": ") + core::WriteFaultTexts::fromLanguage(language).reason(outcome);
        return false;
    };
}

}  // namespace comlink
