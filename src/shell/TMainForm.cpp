#include "TMainForm.h"

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

TMainForm::TMainForm(MainController &controller, const Configuration &config, QWidget *parent)
    : QMainWindow(parent), m_controller(controller), m_config(config)
{
    auto *client = new QWidget(this);
    setCentralWidget(client);
    buildButtonBar(client);
    buildReport(client);

    Panel1 = new QWidget(client);
    Panel1->setGeometry(353, 55, 417, 464);

    MyMessageField = new QLabel(client);
    MyMessageField->setFrameStyle(QFrame::Box | QFrame::Plain);
    MyMessageField->setStyleSheet(QStringLiteral("background: yellow; color: navy"));
    MyMessageField->setFont(QFont(QStringLiteral("Arial"), 9));
    MyMessageField->setGeometry(260, 524, 520, 20);
    MyMessageField->hide();

    Gauge1 = new QProgressBar(client);
    Gauge1->setGeometry(8, 526, 243, 16);
    Gauge1->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: navy }"));
    Gauge1->hide();

    buildStatusBar();
    Help = new HelpViewer(this);
    Help->SetHelpFile(m_config.GetHelpFile());
    connectView();
    resize(ClientWidth, ClientHeight);
}

TMainForm::~TMainForm() { m_controller.view = MainView(); }

void TMainForm::buildButtonBar(QWidget *client)
{
    Panel2 = new QFrame(client);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(0, 0, ClientWidth, 41);
    Banner = new QLabel(Panel2);
    const QPixmap banner(QStringLiteral(":/banner.jpg"));
    Banner->setPixmap(banner.scaledToHeight(37, Qt::SmoothTransformation));
    Banner->setGeometry(2, 2, Banner->pixmap().width(), 37);

    Info_Button = flatButton(Panel2, QStringLiteral("Info"), 0);
    LinkButton = flatButton(Panel2, QStringLiteral("Link"), 0);
    SpeedButton3 = flatButton(Panel2, QStringLiteral("Ende"), 0);
    SpeedButton3->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    SpeedButton3->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    QObject::connect(Info_Button, &QToolButton::clicked, this, [this] { if (OnInfoClick) OnInfoClick(); });
    QObject::connect(LinkButton, &QToolButton::clicked, this, [this] { m_controller.LinkAction(); });
    QObject::connect(SpeedButton3, &QToolButton::clicked, this, [this] { m_controller.Quit(); });
}

void TMainForm::buildReport(QWidget *client)
{
    Panel3 = new QFrame(client);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel3->setGeometry(8, 55, 243, 467);
    auto *stopped = new QLabel(QStringLiteral("monitor gestoppt !"), Panel3);
    stopped->setAlignment(Qt::AlignCenter);
    stopped->setGeometry(0, 0, 243, 467);

    ReportMemo = new QPlainTextEdit(Panel3);
    ReportMemo->setGeometry(0, 0, 243, 467);
    ReportMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    ReportMemo->setReadOnly(true);
    QFont courier(QStringLiteral("Courier New"), 8);
    courier.setStyleHint(QFont::TypeWriter);
    ReportMemo->setFont(courier);
    QPalette p = ReportMemo->palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
    ReportMemo->setPalette(p);
    ReportMemo->setPlainText(QStringLiteral("Verbindungs Report\n"));
}

void TMainForm::buildStatusBar()
{
    auto *row = new StatusRow();
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto *panel = new QLabel(row);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        row->panels[i] = panel;
        StatusPanels[i] = panel;
    }
    row->setMinimumHeight(StatusPanels[0]->sizeHint().height());
    row->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    statusBar()->addWidget(row, 1);
    statusBar()->setSizeGripEnabled(false);

    const auto lampIn = [this](int panel) {
        auto *lamp = new TLinkPanel(StatusPanels[panel]);
        lamp->move(1, qMax(0, (StatusPanels[panel]->sizeHint().height() - 17) / 2));
        return lamp;
    };
    LineLamp = lampIn(3);
    LinkLamp = lampIn(4);
    ModeLamp = lampIn(5);
    LinkLamp->OnChange = [this](TLinkPanel &lamp, bool) { m_controller.LinkLedChanged(lamp.lampColour()); };
    m_controller.setLamps(LineLamp, LinkLamp);
}

void TMainForm::connectView()
{
    MainView &v = m_controller.view;
    v.setPanelText = [this](int panel, const QString &text) {
        if (panel >= 0 && panel < StatusPanelCount) StatusPanels[panel]->setText(text);
    };
    v.appendReport = [this](const QString &line) { ReportMemo->appendPlainText(line); };
    v.setReportVisible = [this](bool visible) { ReportMemo->setVisible(visible); };
    v.reportVisible = [this] { return !ReportMemo->isHidden(); };
    v.setMessage = [this](const QString &text) {
        MyMessageField->setText(text);
        MyMessageField->adjustSize();
        MyMessageField->setVisible(!text.isEmpty());
    };
    v.setLinkButtonEnabled = [this](bool enabled) { LinkButton->setEnabled(enabled); };
    v.setModeLampColour = [this](unsigned bgr) { ModeLamp->setLampColour(bgr); };
    v.setCaption = [this](const QString &caption) { setWindowTitle(caption); };
    v.setWindowWidth = [this](int width) { resize(width, height()); };
    v.setGaugeVisible = [this](bool visible) { Gauge1->setVisible(visible); };
    v.setGauge = [this](int maximum, int position) {
        Gauge1->setRange(0, qMax(0, maximum));
        Gauge1->setValue(qBound(0, position, qMax(0, maximum)));
    };
}

QString TMainForm::PanelText(int panel) const
{
    return panel >= 0 && panel < StatusPanelCount ? StatusPanels[panel]->text() : QString();
}

void TMainForm::ShowStartWindow()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen && MainWindowFillsScreen(screen->geometry().height())) {
        showMaximized();
        return;
    }
    if (screen) move(screen->availableGeometry().center() - rect().center());
    show();
}

// The button bar spans the window; its buttons stay at the right end.
void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const int width = centralWidget()->width();
    Panel2->resize(width, Panel2->height());
    int x = width - ButtonWidth - 10;
    for (QToolButton *button : {SpeedButton3, LinkButton, Info_Button}) {
        button->move(x, button->y());
        x -= ButtonWidth + 5;
    }
}

void TMainForm::ShowHelp(const QString &topic) { Help->ShowTopic(topic); }

void TMainForm::closeEvent(QCloseEvent *event)
{
    m_controller.CloseRequested();
    event->accept();
    // Open dialogs (help, selection) must not keep the program alive.
    if (OnClosed) OnClosed();
}

void TMainForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelp(QStringLiteral("10"));
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace shell
