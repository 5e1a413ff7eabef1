#include "IdentityBox.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace monitorview {

namespace {
using monitor::InfoRequest;
// Texts of section "unit43".
constexpr int NewCodeCaption = 31, NewTelephoneCaption = 32;
}  // namespace

IdentityBox::IdentityBox(std::function<QString(int)> text, QWidget *parent) : QWidget(parent), m_text(std::move(text))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *infoBox = new QGroupBox(m_text(36));
    auto *info = new QGridLayout(infoBox);
    for (auto &edit : m_fields) {
        edit = new QLineEdit;
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->installEventFilter(this);
    }
    m_newCode = new QPushButton(QStringLiteral("neu"));
    m_newTelephone = new QPushButton(QStringLiteral("neu"));
    const std::tuple<int, InfoRequest, QPushButton *> rows[] = {{39, InfoRequest::Version, nullptr},
                                                                {40, InfoRequest::TopFloor, nullptr},
                                                                {41, InfoRequest::InstallationCode, m_newCode},
                                                                {42, InfoRequest::Telephone, m_newTelephone}};
    int row = 0;
    for (const auto &[number, request, button] : rows) {
        info->addWidget(new QLabel(m_text(number)), row, 0);
        info->addWidget(m_fields[size_t(request)], row, 1);
        if (button) info->addWidget(button, row, 2);
        ++row;
    }
    info->setColumnStretch(1, 1);
    layout->addWidget(infoBox);

    // The group address of the monitored controller, and the member to monitor.
    m_groupBox = new QGroupBox(QStringLiteral("GSt Test"));
    // Two rows, so the box fits the docked window's width.
    auto *group = new QGridLayout(m_groupBox);
    m_groupButton = new QPushButton(QStringLiteral("GSt.@"));
    group->addWidget(m_groupButton, 0, 0);
    auto *radios = new QButtonGroup(this);
    for (int k = 0; k < 4; ++k) {
        m_members[size_t(k)] = new QRadioButton(QStringLiteral("QRx-%1").arg(k));
        radios->addButton(m_members[size_t(k)], k);
        group->addWidget(m_members[size_t(k)], 1, k);
        connect(m_members[size_t(k)], &QRadioButton::clicked, this, [this, k] { emit memberChosen(k); });
    }
    for (QRadioButton *radio : m_members) radio->setEnabled(false);  // until the group answers
    m_switchText = new QLabel;
    group->addWidget(m_switchText, 0, 1, 1, 3);
    m_fields[size_t(InfoRequest::GroupAddress)]->hide();  // the box shows the group address
    layout->addWidget(m_groupBox);

    connect(m_groupButton, &QPushButton::clicked, this, [this] { emit infoRequested(InfoRequest::GroupAddress); });
    const auto askNew = [this](InfoRequest request, int caption) {
        const QString current = field(request)->text();
        const auto answer = askText ? askText(m_text(caption), current) : std::nullopt;
        if (answer) emit newTextEntered(request, *answer);
    };
    connect(m_newCode, &QPushButton::clicked, this, [askNew] { askNew(InfoRequest::InstallationCode, NewCodeCaption); });
    connect(m_newTelephone, &QPushButton::clicked, this, [askNew] { askNew(InfoRequest::Telephone, NewTelephoneCaption); });
    askText = [this](const QString &caption, const QString &current) -> std::optional<QString> {
        bool ok = false;
        const QString answer = QInputDialog::getText(this, caption, caption, QLineEdit::Normal, current, &ok);
        if (!ok) return std::nullopt;
        return answer;
    };
}

QLineEdit *IdentityBox::field(InfoRequest request) const { return m_fields[size_t(request)]; }

void IdentityBox::showInfo(InfoRequest request, const QString &text) { field(request)->setText(text); }

void IdentityBox::clearInfo(InfoRequest request) { field(request)->clear(); }

void IdentityBox::clearValues()
{
    for (InfoRequest r : {InfoRequest::InstallationCode, InfoRequest::Telephone, InfoRequest::Version}) clearInfo(r);
    showInfo(InfoRequest::TopFloor, QStringLiteral("0"));
}

void IdentityBox::showGroupAnswer(const monitor::GroupAnswerView &view)
{
    m_groupButton->setText(view.caption);
    // Only the member choice goes: with the whole box the group button could never ask again.
    for (QRadioButton *radio : m_members) radio->setEnabled(view.enabled);
    if (view.member >= 0) m_members[size_t(view.member)]->setChecked(true);
}

void IdentityBox::setGroupButtonText(const QString &text) { m_groupButton->setText(text); }

void IdentityBox::setSwitchText(const QString &text) { m_switchText->setText(text); }

bool IdentityBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < FieldCount; ++i)
            if (watched == m_fields[size_t(i)]) emit infoRequested(InfoRequest(i));
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace monitorview
