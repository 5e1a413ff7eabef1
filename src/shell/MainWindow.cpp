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
class StatusRow : public QWidget {
public:
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

    panel1 = new QWidget(client);
    panel1->setGeometry(353, 55, 417, 464);

    myMessageField = new QLabel(client);
    myMessageField->setFrameStyle(QFrame::Box | QFrame::Plain);
    myMessageField->setStyleSheet(QStringLiteral("background: yellow; color: navy"));
    myMessageField->setFont(QFont(QStringLiteral("Arial"), 9));
    myMessageField->setGeometry(260, 524, 520, 20);
    myMessageField->hide();

    gauge1 = new QProgressBar(client);
    gauge1->setGeometry(8, 526, 243, 16);
    gauge1->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: navy }"));
    gauge1->hide();

    buildStatusBar();
    help = new HelpViewer(this);
    help->setHelpFile(m_config.getHelpFile());
    connectView();
    resize(ClientWidth, ClientHeight);
}

MainWindow::~MainWindow() { m_controller.view = MainView(); }

void MainWindow::buildButtonBar(QWidget *client)
{
    panel2 = new QFrame(client);
    panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel2->setGeometry(0, 0, ClientWidth, 41);
    banner = new QLabel(panel2);
    const QPixmap picture(QStringLiteral(":/banner.jpg"));
    banner->setPixmap(picture.scaledToHeight(37, Qt::SmoothTransformation));
    banner->setGeometry(2, 2, banner->pixmap().width(), 37);

    infoButton = flatButton(panel2, QStringLiteral("Info"), 0);
    linkButton = flatButton(panel2, QStringLiteral("Link"), 0);
    speedButton3 = flatButton(panel2, QStringLiteral("Ende"), 0);
    speedButton3->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    speedButton3->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    QObject::connect(infoButton, &QToolButton::clicked, this, [this] { if (onInfoClick) onInfoClick(); });
    QObject::connect(linkButton, &QToolButton::clicked, this, [this] { m_controller.linkAction(); });
    QObject::connect(speedButton3, &QToolButton::clicked, this, [this] { m_controller.quit(); });
}

void MainWindow::buildReport(QWidget *client)
{
    panel3 = new QFrame(client);
    panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel3->setGeometry(8, 55, 243, 467);
    auto *stopped = new QLabel(QStringLiteral("monitor gestoppt !"), panel3);
    stopped->setAlignment(Qt::AlignCenter);
    stopped->setGeometry(0, 0, 243, 467);

    reportMemo = new QPlainTextEdit(panel3);
    reportMemo->setGeometry(0, 0, 243, 467);
    reportMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    reportMemo->setReadOnly(true);
    QFont courier(QStringLiteral("Courier New"), 8);
    courier.setStyleHint(QFont::TypeWriter);
    reportMemo->setFont(courier);
    QPalette p = reportMemo->palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
    reportMemo->setPalette(p);
    reportMemo->setPlainText(QStringLiteral("Verbindungs Report\n"));
}

void MainWindow::buildStatusBar()
{
    auto *row = new StatusRow();
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto *panel = new QLabel(row);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        row->panels[i] = panel;
        statusPanels[i] = panel;
    }
    row->setMinimumHeight(statusPanels[0]->sizeHint().height());
    row->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    statusBar()->addWidget(row, 1);
    statusBar()->setSizeGripEnabled(false);

    const auto lampIn = [this](int panel) {
        auto *lamp = new StatusLamp(statusPanels[panel]);
        lamp->move(1, qMax(0, (statusPanels[panel]->sizeHint().height() - 17) / 2));
        return lamp;
    };
    lineLamp = lampIn(3);
    linkLamp = lampIn(4);
    modeLamp = lampIn(5);
    linkLamp->onChange = [this](StatusLamp &lamp, bool) { m_controller.linkLedChanged(lamp.lampColour()); };
    m_controller.setLamps(lineLamp, linkLamp);
}

void MainWindow::connectView()
{
    MainView &v = m_controller.view;
    v.setPanelText = [this](int panel, const QString &text) {
        if (panel >= 0 && panel < StatusPanelCount) statusPanels[panel]->setText(text);
    };
    v.appendReport = [this](const QString &line) { reportMemo->appendPlainText(line); };
    v.setReportVisible = [this](bool visible) { reportMemo->setVisible(visible); };
    v.reportVisible = [this] { return !reportMemo->isHidden(); };
    v.setMessage = [this](const QString &text) {
        myMessageField->setText(text);
        myMessageField->adjustSize();
        myMessageField->setVisible(!text.isEmpty());
    };
    v.setLinkButtonEnabled = [this](bool enabled) { linkButton->setEnabled(enabled); };
    v.setModeLampColour = [this](unsigned bgr) { modeLamp->setLampColour(bgr); };
    v.setCaption = [this](const QString &caption) { setWindowTitle(caption); };
    v.setWindowWidth = [this](int width) { resize(width, height()); };
    v.setGaugeVisible = [this](bool visible) { gauge1->setVisible(visible); };
    v.setGauge = [this](int maximum, int position) {
        gauge1->setRange(0, qMax(0, maximum));
        gauge1->setValue(qBound(0, position, qMax(0, maximum)));
    };
}

QString MainWindow::panelText(int panel) const
{
    return panel >= 0 && panel < StatusPanelCount ? statusPanels[panel]->text() : QString();
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
    panel2->resize(width, panel2->height());
    int x = width - ButtonWidth - 10;
    for (QToolButton *button : {speedButton3, linkButton, infoButton}) {
        button->move(x, button->y());
        x -= ButtonWidth + 5;
    }
}

void MainWindow::showHelp(const QString &topic) { help->showTopic(topic); }

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_controller.closeRequested();
    event->accept();
    // Open dialogs (help, selection) must not keep the program alive.
    if (onClosed) onClosed();
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
