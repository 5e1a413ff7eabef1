#include "MainWindow.h"

#include "HelpViewer.h"

#include <QCloseEvent>
#include <QResizeEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace shell {

namespace {
constexpr int ClientWidth = 792;
constexpr int ClientHeight = 566;
constexpr int ButtonWidth = 80;
constexpr int PanelWidths[StatusPanelCount] = {170, 170, 150, 20, 20, 20, 100};

// The status panels sit side by side at their fixed widths and are cut off at
// the window's edge, never squeezed over each other; the last one reaches to
// the right edge.
struct StatusRow : QWidget {
    using QWidget::QWidget;
    std::array<QLabel *, StatusPanelCount> panels{};

protected:
    void resizeEvent(QResizeEvent *) override
    {
        int x = 0;
        for (int i = 0; i < StatusPanelCount; ++i) {
            const int w = i + 1 < StatusPanelCount ? PanelWidths[i] : qMax(PanelWidths[i], width() - x);
            panels[i]->setGeometry(x, 0, w, height());
            x += w;
        }
    }
};

QToolButton *flatButton(QWidget *parent, const QString &text, int x)
{
    auto *button = new QToolButton(parent);
    button->setText(text);
    button->setAutoRaise(true);
    button->setGeometry(x, 6, ButtonWidth, 29);
    return button;
}
}  // namespace

MainWindow::MainWindow(MainController &controller, const Configuration &config, QWidget *parent)
    : QMainWindow(parent), m_controller(controller), m_config(config)
{
    auto *client = new QWidget(this);
    setCentralWidget(client);
    buildButtonBar(client);
    buildReport(client);

    m_rightPanel = new QWidget(client);
    m_rightPanel->setGeometry(353, 55, 417, 464);

    m_messageField = new QLabel(client);
    m_messageField->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_messageField->setStyleSheet(QStringLiteral("background: yellow; color: navy"));
    m_messageField->setFont(QFont(QStringLiteral("Arial"), 9));
    m_messageField->setGeometry(260, 524, 520, 20);
    m_messageField->hide();

    m_batchGauge = new QProgressBar(client);
    m_batchGauge->setGeometry(8, 526, 243, 16);
    m_batchGauge->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: navy }"));
    m_batchGauge->hide();

    buildStatusBar();
    m_helpViewer = new HelpViewer(this);
    m_helpViewer->setHelpFile(m_config.getHelpFile());
    connectView();
    resize(ClientWidth, ClientHeight);
}

MainWindow::~MainWindow() { m_controller.setView(nullptr); }

void MainWindow::buildButtonBar(QWidget *client)
{
    m_buttonBar = new QFrame(client);
    m_buttonBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_buttonBar->setGeometry(0, 0, ClientWidth, 41);
    m_banner = new QLabel(m_buttonBar);
    const QPixmap picture(QStringLiteral(":/banner.jpg"));
    m_banner->setPixmap(picture.scaledToHeight(37, Qt::SmoothTransformation));
    m_banner->setGeometry(2, 2, m_banner->pixmap().width(), 37);

    m_infoButton = flatButton(m_buttonBar, QStringLiteral("Info"), 0);
    m_linkButton = flatButton(m_buttonBar, QStringLiteral("Link"), 0);
    m_portButton = flatButton(m_buttonBar, QStringLiteral("Port"), 0);
    m_exitButton = flatButton(m_buttonBar, QStringLiteral("Ende"), 0);
    m_exitButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    m_exitButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    QObject::connect(m_infoButton, &QToolButton::clicked, this, &MainWindow::infoClicked);
    QObject::connect(m_portButton, &QToolButton::clicked, this, &MainWindow::portClicked);
    QObject::connect(m_linkButton, &QToolButton::clicked, this, [this] { m_controller.linkAction(); });
    QObject::connect(m_exitButton, &QToolButton::clicked, this, [this] { m_controller.quit(); });
}

void MainWindow::buildReport(QWidget *client)
{
    m_reportPanel = new QFrame(client);
    m_reportPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_reportPanel->setGeometry(8, 55, 243, 467);
    auto *stopped = new QLabel(QStringLiteral("monitor gestoppt !"), m_reportPanel);
    stopped->setAlignment(Qt::AlignCenter);
    stopped->setGeometry(0, 0, 243, 467);

    m_reportView = new QPlainTextEdit(m_reportPanel);
    m_reportView->setGeometry(0, 0, 243, 467);
    m_reportView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_reportView->setReadOnly(true);
    QFont courier(QStringLiteral("Courier New"), 8);
    courier.setStyleHint(QFont::TypeWriter);
    m_reportView->setFont(courier);
    QPalette p = m_reportView->palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
    m_reportView->setPalette(p);
    m_reportView->setPlainText(QStringLiteral("Verbindungs Report\n"));
}

void MainWindow::buildStatusBar()
{
    auto *row = new StatusRow();
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto *panel = new QLabel(row);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        row->panels[i] = panel;
        m_statusPanels[i] = panel;
    }
    row->setMinimumHeight(m_statusPanels[0]->sizeHint().height());
    row->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    statusBar()->addWidget(row, 1);
    m_memberLabel = new QLabel();
    m_memberLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_memberLabel->hide();
    statusBar()->addPermanentWidget(m_memberLabel);
    statusBar()->setSizeGripEnabled(false);

    const auto lampIn = [this](int panel) {
        auto *lamp = new widgets::Lamp(m_statusPanels[panel]);
        lamp->move(1, qMax(0, (m_statusPanels[panel]->sizeHint().height() - 17) / 2));
        return lamp;
    };
    m_lineLamp = lampIn(3);
    m_linkLamp = lampIn(4);
    m_modeLamp = lampIn(5);
    connect(m_linkLamp, &widgets::Lamp::clicked, this, [this] { m_controller.linkLampClicked(); });
}

void MainWindow::setMemberText(const QString &text)
{
    m_memberLabel->setText(text);
    m_memberLabel->setVisible(!text.isEmpty());
}

void MainWindow::connectView()
{
    m_controller.setView(this);
    const MainController *c = &m_controller;
    connect(c, &MainController::panelTextChanged, this, [this](int panel, const QString &text) {
        if (panel >= 0 && panel < StatusPanelCount) m_statusPanels[panel]->setText(text);
    });
    connect(c, &MainController::reportLine, m_reportView, &QPlainTextEdit::appendPlainText);
    connect(c, &MainController::messageChanged, this, [this](const QString &text) {
        m_messageField->setText(text);
        m_messageField->adjustSize();
        m_messageField->setVisible(!text.isEmpty());
    });
    connect(c, &MainController::linkButtonEnabledChanged, m_linkButton, &QToolButton::setEnabled);
    connect(c, &MainController::portLampChanged, m_lineLamp, &widgets::Lamp::setLit);
    connect(c, &MainController::linkLampChanged, m_linkLamp, &widgets::Lamp::setLit);
    connect(c, &MainController::modeLampChanged, m_modeLamp, &widgets::Lamp::setLit);
    connect(c, &MainController::captionChanged, this, &QWidget::setWindowTitle);
    connect(c, &MainController::windowWidthRequested, this, [this](int width) { resize(width, height()); });
}

bool MainWindow::reportVisible() const { return !m_reportView->isHidden(); }

void MainWindow::setReportVisible(bool visible) { m_reportView->setVisible(visible); }

void MainWindow::showGauge(int maximum, int position)
{
    m_batchGauge->setVisible(true);
    m_batchGauge->setRange(0, qMax(0, maximum));
    m_batchGauge->setValue(qBound(0, position, qMax(0, maximum)));
}

QString MainWindow::panelText(int panel) const
{
    return panel >= 0 && panel < StatusPanelCount ? m_statusPanels[panel]->text() : QString();
}

void MainWindow::showStartWindow()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen && mainWindowFillsScreen(screen->geometry().height())) {
        showMaximized();
        return;
    }
    if (screen) move(screen->availableGeometry().center() - rect().center());
    show();
}

// The button bar spans the window; its buttons stay at the right end.
void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const int width = centralWidget()->width();
    m_buttonBar->resize(width, m_buttonBar->height());
    int x = width - ButtonWidth - 10;
    for (QToolButton *button : {m_exitButton, m_linkButton, m_infoButton, m_portButton}) {
        button->move(x, button->y());
        x -= ButtonWidth + 5;
    }
}

void MainWindow::showHelp(const QString &topic) { m_helpViewer->showTopic(topic); }

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_controller.closeRequested();
    event->accept();
    // Open dialogs (help, selection) must not keep the program alive.
    emit closed();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        showHelp(QStringLiteral("10"));
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace shell
